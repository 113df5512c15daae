// The Dalvexa face drawn on an Evas canvas: a round 360x360 analogue clock in one of the
// palette's colour bands. The editor's previews are drawn by this class too
// (dalvexa-face-preview), at the preview's time. It owns its canvas objects.
#pragma once

#include <Evas.h>

namespace dalvexa {

class FaceClock {
  public:
    static constexpr int kSize = 360;
    // The time the previews show.
    static constexpr int kPreviewHour = 10, kPreviewMinute = 8, kPreviewSecond = 36;

    // Adds the face's objects to the canvas, at (0, 0), in band 0, at the preview's time.
    explicit FaceClock(Evas* canvas);
    ~FaceClock();

    // Draws the face in a band of the palette; any other value is refused (false) and the
    // face stays.
    bool SetBand(int band);
    int Band() const { return mBand; }
    // Sets the hands (hour 0..23, minute and second 0..59; other values are wrapped).
    void SetTime(int hour, int minute, int second);
    int Hour() const { return mHour; }
    int Minute() const { return mMinute; }
    int Second() const { return mSecond; }
    // Places the face's top-left corner.
    void Move(int x, int y);
    void Show();
    void Hide();

    // Angles of the hands in degrees, clockwise from 12.
    static double HourAngle(int hour, int minute, int second);
    static double MinuteAngle(int minute, int second);
    static double SecondAngle(int second);

  private:
    void BuildDial();
    void BuildHands();
    void PlaceTexts();

    Evas* mCanvas;
    int mBand = -1;
    int mHour = kPreviewHour, mMinute = kPreviewMinute, mSecond = kPreviewSecond;
    int mX = 0, mY = 0;
    Evas_Object* mDial = nullptr;  // vector: ground, ring, minute track, indices
    Evas_Object* mHands = nullptr; // vector: the hands
    Evas_Object* mCap = nullptr;   // vector: the centre cap, over the hands
    static constexpr int kDialShapes = 5;
    static constexpr int kHandShapes = 4;
    Evas_Vg_Shape* mDialShape[kDialShapes] = {}; // owned by mDial's root container
    Evas_Vg_Shape* mHandShape[kHandShapes] = {}; // owned by mHands's or mCap's root container
    static constexpr int kNameLetters = 7;
    Evas_Object* mName[kNameLetters] = {};  // "DALVEXA", one object per letter (spaced)
    Evas_Object* mMaker[kNameLetters] = {}; // "PELMIRO"

    FaceClock(const FaceClock&) = delete;
    FaceClock& operator=(const FaceClock&) = delete;
};

} // namespace dalvexa
