// Return of the object model's process-wide state to its state at load time.
#include "PPDObjects/PPDXProcessState.h"

#include "PPDObjects/PPDXJobNote.h"
#include "parser/ZEQPPD.h"

void PPDXResetProcessState() {
    ZEQPPD::Options(0);
    PPDXJobNote::ResetSharedConverter();
}
