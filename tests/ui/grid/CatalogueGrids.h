#pragma once

#include "config/Catalogue.h"
#include "grid/ARecordList.h"
#include "pages/PageGrids.h"

namespace vlk::test {

// Sets a grid up from the catalogue with the pages' own routine.
inline void ApplyGridSetup(ARecordList& grid, const GridSetup& setup)
{
    PageGrids::SetUp(grid, setup);
}

} // namespace vlk::test
