#include "texture/common/texture_node.h"

namespace texture {

std::vector<AttrRow> finishOwnRows(const std::vector<OwnRow>& own) {
    std::vector<AttrRow> rows;
    rows.reserve(own.size());
    for (const OwnRow& o : own) {
        AttrRow row = o.row;
        row.addOrder = o.addOrder;
        if (o.colourOnly) row.affects = row.childAffects = Affects::kColorOnly;
        rows.push_back(row);
    }
    return rows;
}

std::vector<AttrRow> inCreationOrder(std::vector<AttrRow> rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i].addOrder = static_cast<int>(i);
    return rows;
}

}  // namespace texture
