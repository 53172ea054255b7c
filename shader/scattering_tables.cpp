#include "shader/scattering_tables.h"

namespace dermal {
namespace {

// Albedo 0.0 reflects nothing: its table is zero-initialised storage, not data.
const ScatteringTable kZeroTable{};

}  // namespace

const ScatteringTable& scatteringTable(int levelIndex) {
    return levelIndex <= 0 ? kZeroTable : scatteringTableData[levelIndex - 1];
}

}  // namespace dermal
