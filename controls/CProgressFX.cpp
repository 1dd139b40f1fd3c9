#include "controls/CProgressFX.h"

#include <algorithm>
#include <cmath>

namespace {

const int kFullWidth = 50;

} // namespace

int ProgressBarWidth(int nTotal, int nDone)
{
    // A bar drawn outside its frame would be a fault, whatever the counts.
    if (nDone <= 0)
        return 0;
    if (nTotal > 0) {
        // done * 50 no longer fits an int from about 43 million steps on.
        const long long nWidth = static_cast<long long>(nDone) * kFullWidth / nTotal;
        return static_cast<int>(std::min<long long>(nWidth, kFullWidth));
    }
    const double s = nDone;
    const double e2 = static_cast<float>(std::exp(2.0));
    const double growth = std::exp(s * 20 / 50);
    // Beyond about 1775 steps the exponential leaves the double range; the
    // curve has reached its limit long before.
    if (!std::isfinite(growth))
        return kFullWidth;
    const double a = s * 10 / 50 + 1;
    const double c = 0.5 * std::log(growth + e2 - 1);
    const double width = std::trunc(kFullWidth * (a - c));
    return static_cast<int>(std::clamp(width, 0.0, static_cast<double>(kFullWidth)));
}
