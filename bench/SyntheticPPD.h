// Deterministic synthetic vendor-dialect PPD files for the benchmarks, the fuzz seeds and the
// tests: a layout of pages, scroll panes and roll-downs, N controls of every kind, constraints.
#pragma once

#include <cstddef>
#include <string>

// What one generated file holds; the tests compare a parse against these counts.
struct SyntheticPPDStats {
    size_t controls = 0;        // every control the vendor parser makes (all kinds below)
    size_t pickOne = 0;         // PickOne popups, the Image Shift units and *PageSize included
    size_t pickMany = 0;        // PickMany popups
    size_t booleans = 0;        // Boolean controls
    size_t ranges = 0;          // *%ZEQRange / *%ZEQUnitRange controls
    size_t blockJobNotes = 0;   // job notes inside a control block
    size_t soloJobNotes = 0;    // stand-alone *%ZEQJobNote statements
    size_t specialOptions = 0;  // *%ZEQSpecialOption statements
    size_t standardUI = 0;      // controls opened with "*OpenUI" (also seen by other readers)
    size_t pages = 0;           // property pages
    size_t scrollPanes = 0;     // one per page
    size_t rollDowns = 0;       // roll-downs, the Image Shift and notes roll-downs included
    size_t uiConstraints = 0;   // *UIConstraints lines
    size_t vendorConstraints = 0;
    size_t requirements = 0;
    size_t shortcuts = 0;
    size_t lines = 0;
    size_t longestLine = 0;  // without its line end
};

// The text of a synthetic PPD with `controls` controls (at least the seven Image Shift
// controls and the page size are always present). The same count always gives the same bytes.
std::string GenerateSyntheticPPD(size_t controls, SyntheticPPDStats* stats = nullptr);

// Writes GenerateSyntheticPPD(controls) to `path`; false when the file cannot be written.
bool WriteSyntheticPPD(size_t controls, const char* path, SyntheticPPDStats* stats = nullptr);
