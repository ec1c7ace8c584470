#include "ui/base/dpi.h"

namespace Ulmar {

void CDPI::SetScale(UINT dpi) {
    if (dpi == 0) return;
    dpi_ = dpi;
    scale_ = MulDiv(static_cast<int>(dpi), 100, 96);
}

int CDPI::ScaleValue(int value, int scalePercent) {
    const int scaled = MulDiv(value, scalePercent, 100);
    // A metric that exists must stay visible at any scale.
    if (scaled == 0 && value > 0) return 1;
    if (scaled == 0 && value < 0) return -1;
    return scaled;
}

int CDPI::Scale(int value) const {
    if (awareness_ == Awareness::Unaware) return value;
    return ScaleValue(value, scale_);
}

RECT CDPI::Scale(RECT rc) const {
    return RECT{Scale(rc.left), Scale(rc.top), Scale(rc.right), Scale(rc.bottom)};
}

SIZE CDPI::Scale(SIZE size) const { return SIZE{Scale(size.cx), Scale(size.cy)}; }

POINT CDPI::Scale(POINT pt) const { return POINT{Scale(pt.x), Scale(pt.y)}; }

}  // namespace Ulmar
