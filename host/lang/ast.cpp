#include "host/lang/ast.h"

namespace tarn::lang {

Expr::~Expr() {
    // Move every grandchild with children of its own onto a list before its parent goes, so
    // that no destructor call recurses more than one level.
    std::vector<ExprPtr> pending;
    auto adopt = [&pending](Expr& e) {
        for (ExprPtr& k : e.kids)
            if (k && !k->kids.empty()) pending.push_back(std::move(k));
    };
    adopt(*this);
    while (!pending.empty()) {
        ExprPtr e = std::move(pending.back());
        pending.pop_back();
        adopt(*e);
    }
}

}  // namespace tarn::lang
