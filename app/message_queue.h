#pragma once

// Dispatches every message waiting in this thread's queue; a quit message is dropped,
// so the run goes on to its own end.
void DrainMessageQueue();
