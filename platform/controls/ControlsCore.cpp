// The controls core: windows, controls, the event path, focus, timers and the scrap.
#include "platform/controls/Carbon.h"
#include "platform/controls/ControlsBackend.h"
