# The game tests look at the texts the game draws: every call of the texture
# font's DrawText goes through a recorder (tests/game/text_trace.cpp) that
# passes it on unchanged.
if(TARGET game_tests)
  target_link_options(game_tests PRIVATE "LINKER:--wrap=_ZN12CTextureFont8DrawTextEffPKcj")
endif()
