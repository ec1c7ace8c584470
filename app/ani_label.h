// CAniLabelUI: a label that can slide a vertical image strip through its area
// (two timer-driven steps that build the strip's image strings) and paints its
// background as a cross-fade from a first image to a second one. Skins create
// it through the window's builder callback for the class name "AniLabel".
#pragma once

#include <windows.h>

#include "ui/controls/label.h"

class CAniLabelUI : public Ulmar::CLabelUI {
public:
    static constexpr UINT kLoopTimerId = 56;    // moves the strip down and wraps it round
    static constexpr UINT kSettleTimerId = 57;  // moves it down to its resting line and stops
    static constexpr int kFadeMs = 200;

    CAniLabelUI();
    ~CAniLabelUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    void HandleEvent(Ulmar::TControlEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintBackImage(HDC dc) override;

    // The host drives the animation: it starts the timers through the paint
    // manager, sets the fade images and turns painting on (state 0).
    int GetPaintState() const { return paintState_; }
    void SetPaintState(int state);
    // `fadeStart` is a clock() value in milliseconds; 0 shows the image at once.
    // `kind` goes to the image lookup as its mask colour. Null clears the image.
    void SetFirstImage(const wchar_t* image, int kind, long fadeStart);
    void SetSecondImage(const wchar_t* image, int kind, long fadeStart);
    const Ulmar::CUiString& GetFirstImage() const { return firstImage_; }
    long GetFirstFadeStart() const { return firstFadeStart_; }
    const Ulmar::CUiString& GetSecondImage() const { return secondImage_; }
    long GetSecondFadeStart() const { return secondFadeStart_; }

    const Ulmar::CUiString& GetAniImage() const { return aniImage_; }
    int GetAniImageWidth() const { return aniImgWidth_; }
    int GetAniImageHeight() const { return aniImgHeight_; }
    int GetStripOffset() const { return stripOffset_; }
    int GetStripBottom() const { return stripBottom_; }
    int GetStripWidth() const { return stripWidth_; }
    const Ulmar::CUiString& GetStripAttribute() const { return stripAttribute_; }
    const Ulmar::CUiString& GetOverlayAttribute() const { return overlayAttribute_; }
    bool IsFinished() const { return finished_; }

private:
    void LoopStep();
    void SettleStep();
    void FormatStrip(int visibleHeight);
    // Draws `image` over the whole control at the alpha its fade has reached;
    // returns that alpha (255 when not fading, or when the fade is over).
    int DrawFading(HDC dc, const Ulmar::CUiString& image, int kind, long fadeStart);

    long firstFadeStart_ = 0;
    Ulmar::CUiString firstImage_;
    int firstKind_ = 0;
    long secondFadeStart_ = 0;
    Ulmar::CUiString secondImage_;
    int secondKind_ = 0;
    int stripX_ = 0;
    int stripOffset_ = -50;
    int stripWidth_ = 0;
    int stripBottom_ = 0;
    Ulmar::CUiString stripAttribute_;
    Ulmar::CUiString aniImage_;
    int paintState_ = 1;
    int aniImgHeight_ = 0;
    int aniImgWidth_ = 0;
    Ulmar::CUiString overlayAttribute_;
    bool finished_ = false;
};
