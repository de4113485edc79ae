// `zeqppd constraints` and the UI constraints in words: the targets that the PPD's constraint
// and requirement statements give for one choice of a control, and the current choices that a
// constraint forbids.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "tools/ZeqppdCommands.h"

class PPDXControl;
class ZEQPPD;

// The pairs of current choices that a UI constraint of the PPD forbids and that involve a
// control of `named`, each pair once, as "*PageSize Env10 conflicts with *QWDuplex DuplexTumble".
// A statement without a target option forbids every choice but False, None and Off.
std::vector<std::string> ConstraintConflicts(ZEQPPD& ppd, const std::set<PPDXControl*>& named);
