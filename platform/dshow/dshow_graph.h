// What tests may observe of the filter graph and its threads.
#pragma once

#include "dshow_api.h"

#include <atomic>

namespace platform {

// Streaming and end-of-stream timer threads that are running right now.
int dshowThreadsAlive();
// Counts a thread of the layer while it runs.
class DshowThreadMark {
public:
    DshowThreadMark();
    ~DshowThreadMark();
    DshowThreadMark(const DshowThreadMark&) = delete;
    DshowThreadMark& operator=(const DshowThreadMark&) = delete;
};

// Events handed out by GetEvent whose parameters were not given back
// through FreeEventParams yet; -1 when `events` is not our graph.
LONG unfreedEventParams(IMediaEvent* events);

}  // namespace platform
