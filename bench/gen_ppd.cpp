// gen_ppd N OUT: writes the synthetic vendor PPD with N controls to OUT and prints what it holds.
#include <cstdio>
#include <cstdlib>

#include "bench/SyntheticPPD.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s CONTROLS OUTPUT.ppd\n", argv[0]);
        return 2;
    }
    char* end = nullptr;
    unsigned long long count = strtoull(argv[1], &end, 10);
    if (!end || *end || count == 0 || count > 10000000ull) {
        fprintf(stderr, "%s: the control count must be a number from 1 to 10000000\n", argv[0]);
        return 2;
    }
    SyntheticPPDStats s;
    if (!WriteSyntheticPPD(static_cast<size_t>(count), argv[2], &s)) {
        perror(argv[2]);
        return 1;
    }
    printf(
        "%s: %zu controls (%zu PickOne, %zu PickMany, %zu Boolean, %zu range, %zu+%zu job notes,"
        " %zu special), %zu pages, %zu roll-downs, %zu+%zu+%zu constraints/requirements,"
        " %zu shortcuts, %zu lines, longest %zu\n",
        argv[2], s.controls, s.pickOne, s.pickMany, s.booleans, s.ranges, s.blockJobNotes,
        s.soloJobNotes, s.specialOptions, s.pages, s.rollDowns, s.uiConstraints,
        s.vendorConstraints, s.requirements, s.shortcuts, s.lines, s.longestLine);
    return 0;
}
