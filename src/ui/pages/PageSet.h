#pragma once

namespace vlk {

class CConfigWnd;
class CDirectionWnd;
class CGraficWnd;
class CMeasureWnd;
class COutputWnd;
class CProgramWnd;

// The pages that hold the configuration, handed by their owner (the tab host) to the code that
// reads and writes it, so that code needs no host.
struct PageSet {
    CDirectionWnd& directions;
    CProgramWnd& programs;
    CGraficWnd& schedules;
    COutputWnd& outputs;
    CMeasureWnd& sensors;
    CConfigWnd& zad;
};

} // namespace vlk
