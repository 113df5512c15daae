#include "FaceClock.h"

#include "dalvexa_palette.h"

#include <cmath>
#include <utility>

namespace dalvexa {

namespace {

constexpr double kCentre = FaceClock::kSize / 2.0;
constexpr double kPi = 3.14159265358979323846;

struct Point {
    double x, y;
};

// Turns a point of the 12 o'clock drawing clockwise about the centre.
Point Turn(Point p, double degrees) {
    const double r = degrees * kPi / 180.0;
    const double c = std::cos(r), s = std::sin(r);
    const double dx = p.x - kCentre, dy = p.y - kCentre;
    return {kCentre + dx * c - dy * s, kCentre + dx * s + dy * c};
}

// A closed rectangle turned about the centre, as one sub-path of shape; drawn clockwise,
// or anticlockwise to join a circle of the same shape (circles are drawn anticlockwise,
// and sub-paths of opposite directions cut each other out).
void AppendTurnedRect(Evas_Vg_Shape* shape, double x, double y, double w, double h, double degrees,
                      bool anticlockwise = false) {
    Point corners[4] = {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
    if (anticlockwise)
        std::swap(corners[1], corners[3]);
    for (int i = 0; i < 4; ++i) {
        const Point p = Turn(corners[i], degrees);
        if (i == 0)
            evas_vg_shape_append_move_to(shape, p.x, p.y);
        else
            evas_vg_shape_append_line_to(shape, p.x, p.y);
    }
    evas_vg_shape_append_close(shape);
}

// A tapered hand: foot corners at y = 196, sides up to tipY, a rounded tip at peakY.
void AppendHand(Evas_Vg_Shape* shape, double footHalf, double tipHalf, double tipY, double peakY,
                double degrees) {
    const Point a = Turn({kCentre - footHalf, 196}, degrees);
    const Point b = Turn({kCentre - tipHalf, tipY}, degrees);
    const Point peak = Turn({kCentre, peakY}, degrees);
    const Point c = Turn({kCentre + tipHalf, tipY}, degrees);
    const Point d = Turn({kCentre + footHalf, 196}, degrees);
    evas_vg_shape_append_move_to(shape, a.x, a.y);
    evas_vg_shape_append_line_to(shape, b.x, b.y);
    evas_vg_shape_append_quadratic_to(shape, c.x, c.y, peak.x, peak.y);
    evas_vg_shape_append_line_to(shape, d.x, d.y);
    evas_vg_shape_append_close(shape);
}

// Evas colours are premultiplied.
void SetColor(Evas_Vg_Node* node, unsigned rgb, int alpha = 255) {
    evas_vg_node_color_set(node, DALVEXA_RED(rgb) * alpha / 255, DALVEXA_GREEN(rgb) * alpha / 255,
                           DALVEXA_BLUE(rgb) * alpha / 255, alpha);
}

void SetTextColor(Evas_Object* text, unsigned rgb, int alpha = 255) {
    evas_object_color_set(text, DALVEXA_RED(rgb) * alpha / 255, DALVEXA_GREEN(rgb) * alpha / 255,
                          DALVEXA_BLUE(rgb) * alpha / 255, alpha);
}

Evas_Object* NewVector(Evas* canvas) {
    Evas_Object* vg = evas_object_vg_add(canvas);
    evas_object_resize(vg, FaceClock::kSize, FaceClock::kSize);
    evas_object_vg_root_node_set(vg, evas_vg_container_add(vg));
    return vg;
}

// The shapes of a vector object, in drawing order.
enum DialShape { kGround, kRing, kMinuteTrack, kHourIndices, kTwelve };
// Hands of one colour share a shape: each shape that moves is prepared again (in Ector's
// thread) at every tick.
enum HandShape { kHourAndMinute, kSecondHand, kCap, kCapHole };

const char* const kName = "DALVEXA";
const char* const kMaker = "PELMIRO";

// Lays out one letter per object, centred on centreX with extra spacing after each
// letter (as SVG letter-spacing does), on the baseline.
void PlaceSpaced(Evas_Object* const* letters, int count, double spacing, int x0, int y0,
                 double centreX, double baseline) {
    double width = 0;
    for (int i = 0; i < count; ++i)
        width += evas_object_text_horiz_advance_get(letters[i]) + spacing;
    double x = centreX - width / 2;
    for (int i = 0; i < count; ++i) {
        const int ascent = evas_object_text_ascent_get(letters[i]);
        evas_object_move(letters[i], x0 + static_cast<int>(std::lround(x)),
                         y0 + static_cast<int>(std::lround(baseline)) - ascent);
        x += evas_object_text_horiz_advance_get(letters[i]) + spacing;
    }
}

} // namespace

double FaceClock::HourAngle(int hour, int minute, int second) {
    return (((hour % 12) + 12) % 12) * 30.0 + MinuteAngle(minute, second) / 12.0;
}

double FaceClock::MinuteAngle(int minute, int second) {
    return (((minute % 60) + 60) % 60) * 6.0 + SecondAngle(second) / 60.0;
}

double FaceClock::SecondAngle(int second) {
    return (((second % 60) + 60) % 60) * 6.0;
}

FaceClock::FaceClock(Evas* canvas) : mCanvas(canvas) {
    mDial = NewVector(canvas);
    Evas_Vg_Container* root = evas_object_vg_root_node_get(mDial);
    for (int i = 0; i < kDialShapes; ++i)
        mDialShape[i] = evas_vg_shape_add(root);
    BuildDial();

    for (int i = 0; i < kNameLetters; ++i) {
        const char name[2] = {kName[i], '\0'};
        const char maker[2] = {kMaker[i], '\0'};
        mName[i] = evas_object_text_add(canvas);
        evas_object_text_font_set(mName[i], "DejaVu Sans:style=Bold", 19);
        evas_object_text_text_set(mName[i], name);
        mMaker[i] = evas_object_text_add(canvas);
        evas_object_text_font_set(mMaker[i], "DejaVu Sans", 10);
        evas_object_text_text_set(mMaker[i], maker);
    }

    mHands = NewVector(canvas);
    root = evas_object_vg_root_node_get(mHands);
    for (int i = kHourAndMinute; i <= kSecondHand; ++i)
        mHandShape[i] = evas_vg_shape_add(root);
    // The cap never moves: an object of its own, so that a tick prepares only the shapes
    // that turn (a changed vector object prepares all its shapes again).
    mCap = NewVector(canvas);
    root = evas_object_vg_root_node_get(mCap);
    for (int i = kCap; i <= kCapHole; ++i)
        mHandShape[i] = evas_vg_shape_add(root);
    evas_vg_shape_append_circle(mHandShape[kCap], kCentre, kCentre, 9);
    evas_vg_shape_append_circle(mHandShape[kCapHole], kCentre, kCentre, 3.5);
    BuildHands();

    SetBand(0);
    PlaceTexts();
}

FaceClock::~FaceClock() {
    evas_object_del(mCap);
    evas_object_del(mHands);
    for (int i = 0; i < kNameLetters; ++i) {
        evas_object_del(mName[i]);
        evas_object_del(mMaker[i]);
    }
    evas_object_del(mDial);
}

void FaceClock::BuildDial() {
    Evas_Vg_Shape* ground = mDialShape[kGround];
    evas_vg_shape_append_circle(ground, kCentre, kCentre, kCentre);

    Evas_Vg_Shape* ring = mDialShape[kRing];
    evas_vg_shape_append_circle(ring, kCentre, kCentre, 171);
    evas_vg_shape_stroke_width_set(ring, 1.5);

    Evas_Vg_Shape* track = mDialShape[kMinuteTrack];
    Evas_Vg_Shape* indices = mDialShape[kHourIndices];
    for (int minute = 1; minute < 60; ++minute) {
        if (minute % 5 == 0)
            AppendTurnedRect(indices, 175, 16, 10, 30, minute * 6.0);
        else
            AppendTurnedRect(track, 179, 12, 2, 9, minute * 6.0);
    }

    // 12 o'clock: a double index.
    Evas_Vg_Shape* twelve = mDialShape[kTwelve];
    evas_vg_shape_append_rect(twelve, 168, 16, 9, 36, 2, 2);
    evas_vg_shape_append_rect(twelve, 183, 16, 9, 36, 2, 2);
}

void FaceClock::BuildHands() {
    Evas_Vg_Shape* hands = mHandShape[kHourAndMinute];
    Evas_Vg_Shape* second = mHandShape[kSecondHand];
    evas_vg_shape_reset(hands);
    evas_vg_shape_reset(second);

    AppendHand(hands, 6, 5, 104, 92, HourAngle(mHour, mMinute, mSecond));
    AppendHand(hands, 4, 3, 52, 42, MinuteAngle(mMinute, mSecond));
    const double secondAngle = SecondAngle(mSecond);
    AppendTurnedRect(second, 178.5, 30, 3, 186, secondAngle, true);
    const Point weight = Turn({kCentre, 214}, secondAngle);
    evas_vg_shape_append_circle(second, weight.x, weight.y, 7);
}

bool FaceClock::SetBand(int band) {
    const dalvexa_band_colors* colors = dalvexa_band_get(band);
    if (!colors)
        return false;
    mBand = band;
    SetColor(mDialShape[kGround], colors->dial);
    Evas_Vg_Shape* ring = mDialShape[kRing];
    evas_vg_node_color_set(ring, 0, 0, 0, 0);
    const int ringAlpha = 64;
    evas_vg_shape_stroke_color_set(ring, DALVEXA_RED(colors->ink) * ringAlpha / 255,
                                   DALVEXA_GREEN(colors->ink) * ringAlpha / 255,
                                   DALVEXA_BLUE(colors->ink) * ringAlpha / 255, ringAlpha);
    SetColor(mDialShape[kMinuteTrack], colors->ink, 140);
    SetColor(mDialShape[kHourIndices], colors->ink);
    SetColor(mDialShape[kTwelve], colors->accent);

    SetColor(mHandShape[kHourAndMinute], colors->ink);
    SetColor(mHandShape[kSecondHand], colors->accent);
    SetColor(mHandShape[kCap], colors->accent);
    SetColor(mHandShape[kCapHole], colors->dial);

    for (int i = 0; i < kNameLetters; ++i) {
        SetTextColor(mName[i], colors->accent);
        SetTextColor(mMaker[i], colors->ink, 178);
    }
    return true;
}

void FaceClock::SetTime(int hour, int minute, int second) {
    if (hour == mHour && minute == mMinute && second == mSecond)
        return;
    mHour = hour;
    mMinute = minute;
    mSecond = second;
    BuildHands();
}

void FaceClock::PlaceTexts() {
    PlaceSpaced(mName, kNameLetters, 5, mX, mY, kCentre, 118);
    PlaceSpaced(mMaker, kNameLetters, 3, mX, mY, kCentre, 258);
}

void FaceClock::Move(int x, int y) {
    mX = x;
    mY = y;
    evas_object_move(mDial, x, y);
    evas_object_move(mHands, x, y);
    evas_object_move(mCap, x, y);
    PlaceTexts();
}

void FaceClock::Show() {
    evas_object_show(mDial);
    for (int i = 0; i < kNameLetters; ++i) {
        evas_object_show(mName[i]);
        evas_object_show(mMaker[i]);
    }
    evas_object_show(mHands);
    evas_object_show(mCap);
}

void FaceClock::Hide() {
    evas_object_hide(mDial);
    for (int i = 0; i < kNameLetters; ++i) {
        evas_object_hide(mName[i]);
        evas_object_hide(mMaker[i]);
    }
    evas_object_hide(mHands);
    evas_object_hide(mCap);
}

} // namespace dalvexa
