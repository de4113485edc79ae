// The process-wide state of the object model, and the way back to its state at load time.
#pragma once

// Display options back to 0 and no shared job-note output converter (job notes alive at
// that moment leave the converter made after it alone). Meant for tests and tools that
// need a known start; the model itself never calls it.
void PPDXResetProcessState();
