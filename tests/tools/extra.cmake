# The tools tests link the asset generator's code, and read the run
# directory the build generated. The generator's text drawing uses the
# platform's font rasteriser, so platform follows assetgen on the link line.
if(TARGET tools_tests)
  target_link_libraries(tools_tests PRIVATE assetgen platform)
  add_dependencies(tools_tests run_files)
endif()
