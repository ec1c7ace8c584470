#pragma once
// CDPI: scales skin metrics (written for 96 DPI, 100 percent) to the window's
// DPI, which the paint manager takes from the window and from WM_DPICHANGED.
#include <windows.h>

namespace Ulmar {

class CDPI {
public:
    enum class Awareness { Unaware, SystemAware, PerMonitorAware };

    CDPI() = default;

    Awareness GetAwareness() const { return awareness_; }
    void SetAwareness(Awareness awareness) { awareness_ = awareness; }

    UINT GetDPI() const { return dpi_; }
    int GetScale() const { return scale_; }  // percent
    // Sets the DPI (96 = 100 percent); a DPI of 0 is ignored.
    void SetScale(UINT dpi);

    // MulDiv(value, scale, 100); a positive value never becomes 0 (it becomes 1)
    // and a negative value that would become 0 becomes -1. Unaware: unchanged.
    int Scale(int value) const;
    RECT Scale(RECT rc) const;
    SIZE Scale(SIZE size) const;
    POINT Scale(POINT pt) const;

    // The same rule for a value that may be scaled by any percentage.
    static int ScaleValue(int value, int scalePercent);

private:
    Awareness awareness_ = Awareness::PerMonitorAware;
    UINT dpi_ = 96;
    int scale_ = 100;
};

}  // namespace Ulmar
