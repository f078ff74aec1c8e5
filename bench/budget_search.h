#pragma once
// "The largest N within the frame budget", shared by the benchmark programs' tables:
// the table's rows give a first bracket (the largest N that fitted, the first that did
// not), which a bisection then narrows to about 2 %.
#include <algorithm>

class BudgetSearch {
public:
    explicit BudgetSearch(double budgetMs) : budgetMs_(budgetMs) {}

    // One measured row: cost is the per-frame figure compared with the budget.
    void Add(int n, double costMs) {
        if (costMs <= budgetMs_)
            best_ = n;
        else if (!firstOver_)
            firstOver_ = n;
    }

    // The largest N that fits, narrowed between the rows by bisection when a row went
    // over the budget; costOf(n) measures a scene of n and returns its cost in ms.
    template <typename CostOf>
    int Largest(CostOf costOf) {
        if (!firstOver_) return best_;
        int low = best_, high = firstOver_;
        while (high - low > std::max(100, low / 50)) {
            const int mid = (low + high) / 2;
            if (costOf(mid) <= budgetMs_)
                low = mid;
            else
                high = mid;
        }
        return low;
    }

private:
    double budgetMs_;
    int best_ = 0, firstOver_ = 0;
};
