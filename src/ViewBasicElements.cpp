#define LOG_TAG "CLOCK-DALVEXA-EDITOR"
#include "ViewBasicElements.h"
#include "ClockLog.h"

#include <Ecore_Evas.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace NSClockEditor {

namespace {

const char* const WINDOW_NAME = "clock-dalvexa";
const char* const EFFECT_HINT = "wm.comp.win.effect.enable";
const size_t EFFECT_HINT_LENGTH = 25;
// Sub-samples per axis for the coverage of the pixels on the circle's edge.
const int EDGE_SAMPLES = 4;
// The mask's data naming the black rectangle around the screen.
const char* const SURROUND_KEY = "surround";

// The mask's alpha at pixel (x, y) on the circle's edge: the share of its sub-samples
// inside the circle, as premultiplied white (only the alpha clips).
uint32_t EdgePixel(int x, int y, double cx, double cy, double radius) {
    int inside = 0;
    for (int sy = 0; sy < EDGE_SAMPLES; ++sy) {
        for (int sx = 0; sx < EDGE_SAMPLES; ++sx) {
            double dx = x + (sx + 0.5) / EDGE_SAMPLES - cx;
            double dy = y + (sy + 0.5) / EDGE_SAMPLES - cy;
            if (dx * dx + dy * dy <= radius * radius)
                ++inside;
        }
    }
    uint32_t a = static_cast<uint32_t>(inside * 255 / (EDGE_SAMPLES * EDGE_SAMPLES));
    return (a << 24) | (a << 16) | (a << 8) | a;
}

// The first pixel of the left half of the row (x in [0, half)) whose centre's squared
// distance d2 from the circle's centre is below limit (or at most limit when orEqual), or
// half when none is. d2 falls from the row's ends to its middle, so the pixels that pass
// form one run; a square root finds its start and the exact test settles it.
int FirstCloser(double py2, double cx, int half, double limit, bool orEqual) {
    auto passes = [&](int x) {
        const double px = x + 0.5 - cx;
        const double d2 = px * px + py2;
        return orEqual ? d2 <= limit : d2 < limit;
    };
    const double reach = limit > py2 ? sqrt(limit - py2) : 0.0;
    int x = static_cast<int>(cx - reach - 0.5);
    x = x < 0 ? 0 : (x > half ? half : x);
    while (x > 0 && passes(x - 1))
        --x;
    while (x < half && !passes(x))
        ++x;
    return x;
}

// One row of the mask: transparent outside the circle, opaque inside, sampled on its edge.
// The row is symmetric about cx: pixel x and pixel width - 1 - x are as far from it.
void FillMaskRow(uint32_t* row, int width, int y, double cx, double cy, double radius, double inner,
                 double outer) {
    const double py = y + 0.5 - cy;
    const double py2 = py * py;
    const int half = (width + 1) / 2;
    // [0, edge) outside, [edge, full) on the edge, [full, width - full) inside, mirrored.
    const int edge = FirstCloser(py2, cx, half, outer, false);
    const int full = std::max(edge, FirstCloser(py2, cx, half, inner, true));
    const int fullEnd = std::max(full, width - full);
    std::fill(row, row + edge, 0u);
    for (int x = edge; x < full; ++x)
        row[x] = EdgePixel(x, y, cx, cy, radius);
    std::fill(row + full, row + fullEnd, 0xFFFFFFFFu);
    for (int x = fullEnd; x < width - edge; ++x)
        row[x] = EdgePixel(x, y, cx, cy, radius);
    std::fill(row + std::max(fullEnd, width - edge), row + width, 0u);
}

} // namespace

Evas_Object* ViewBasicElements::mWindow = nullptr;
Evas_Object* ViewBasicElements::mBackground = nullptr;
Evas_Object* ViewBasicElements::mConformant = nullptr;
Eext_Circle_Surface* ViewBasicElements::mCircleSurface = nullptr;
Evas_Object* ViewBasicElements::mMainLayout = nullptr;
Evas_Object* ViewBasicElements::mNaviframe = nullptr;
Evas_Object* ViewBasicElements::mRoundMask = nullptr;

ViewBasicElements::ViewBasicElements() {
    mWindow = nullptr;
    mBackground = nullptr;
    mConformant = nullptr;
    mCircleSurface = nullptr;
    mMainLayout = nullptr;
    mNaviframe = nullptr;
    mRoundMask = nullptr;
}

ViewBasicElements::~ViewBasicElements() {}

int ViewBasicElements::SetupViewBasicElements() {
    bool complete = false;
    do {
        mWindow = CreateWindow();
        BREAK_IF(mWindow == NULL);
        mBackground = CreateBackground();
        BREAK_IF(mBackground == NULL);
        mConformant = CreateConformant();
        BREAK_IF(mConformant == NULL);
        mCircleSurface = CreateCircleSurface();
        BREAK_IF(mCircleSurface == NULL);
        mMainLayout = CreateMainLayout();
        BREAK_IF(mMainLayout == NULL);
        mNaviframe = CreateNaviframe();
        BREAK_IF(mNaviframe == NULL);
        complete = true;
    } while (0);
    return complete ? 0 : -1;
}

Evas_Object* ViewBasicElements::CreateWindow() {
    Evas_Object* win = elm_win_add(NULL, WINDOW_NAME, ELM_WIN_BASIC);
    RETURN_VALUE_IF(win == NULL, NULL);
    elm_win_title_set(win, WINDOW_NAME);
    elm_win_autodel_set(win, EINA_TRUE);

    // Switch the window manager's effect off for this window, where it offers the hint.
    Ecore_Evas* ecoreEvas = ecore_evas_ecore_evas_get(evas_object_evas_get(win));
    const Eina_List* hints = ecoreEvas ? ecore_evas_aux_hints_supported_get(ecoreEvas) : NULL;
    const Eina_List* node;
    void* hint;
    EINA_LIST_FOREACH(hints, node, hint) {
        const char* name = static_cast<const char*>(hint);
        if (name && strncmp(name, EFFECT_HINT, EFFECT_HINT_LENGTH) == 0)
            ecore_evas_aux_hint_add(ecoreEvas, EFFECT_HINT, "0");
    }

    elm_win_alpha_set(win, EINA_TRUE);
    // The screen is 360x360 whatever the window manager would like; when it makes the
    // window bigger anyway, the screen stays whole in its centre (see CreateConformant).
    evas_object_size_hint_min_set(win, SCREEN_SIZE, SCREEN_SIZE);
    evas_object_size_hint_max_set(win, SCREEN_SIZE, SCREEN_SIZE);
    evas_object_resize(win, SCREEN_SIZE, SCREEN_SIZE);
    mRoundMask = CreateRoundMask(win);
    WatchDeletion(win, &mWindow);
    evas_object_show(win);
    return win;
}

Evas_Object* ViewBasicElements::CreateBackground() {
    RETURN_VALUE_IF(mWindow == NULL, NULL);
    Evas_Object* background = elm_bg_add(mWindow);
    RETURN_VALUE_IF(background == NULL, NULL);
    evas_object_size_hint_weight_set(background, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    elm_win_resize_object_add(mWindow, background);
    evas_object_show(background);
    WatchDeletion(background, &mBackground);
    return background;
}

Evas_Object* ViewBasicElements::CreateConformant() {
    RETURN_VALUE_IF(mWindow == NULL, NULL);
    Evas_Object* conformant = elm_conformant_add(mWindow);
    RETURN_VALUE_IF(conformant == NULL, NULL);
    evas_object_size_hint_weight_set(conformant, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    evas_object_show(conformant);
    // Not one of the window's resize objects: the screen keeps its size, placed in the
    // window's centre by PlaceScreen whatever size the window manager gives the window.
    elm_win_conformant_set(mWindow, EINA_TRUE);
    WatchDeletion(conformant, &mConformant);
    mConformant = conformant;
    PlaceScreen(mWindow);
    return conformant;
}

Eext_Circle_Surface* ViewBasicElements::CreateCircleSurface() {
    RETURN_VALUE_IF(mWindow == NULL, NULL);
    RETURN_VALUE_IF(mConformant == NULL, NULL);
    Eext_Circle_Surface* circleSurface = eext_circle_surface_conformant_add(mConformant);
    RETURN_VALUE_IF(circleSurface == NULL, NULL);
    return circleSurface;
}

Evas_Object* ViewBasicElements::CreateMainLayout() {
    RETURN_VALUE_IF(mWindow == NULL, NULL);
    RETURN_VALUE_IF(mConformant == NULL, NULL);
    Evas_Object* mainLayout = elm_layout_add(mConformant);
    RETURN_VALUE_IF(mainLayout == NULL, NULL);
    // Without the platform theme the layout stays empty and the naviframe has nowhere to go.
    if (!elm_layout_theme_set(mainLayout, "layout", "application", "default"))
        CLOCK_LOG("elm_layout_theme_set(layout/application/default) failed");
    evas_object_size_hint_weight_set(mainLayout, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    evas_object_size_hint_align_set(mainLayout, EVAS_HINT_FILL, EVAS_HINT_FILL);
    evas_object_show(mainLayout);
    elm_object_part_content_set(mConformant, NULL, mainLayout);
    WatchDeletion(mainLayout, &mMainLayout);
    return mainLayout;
}

Evas_Object* ViewBasicElements::CreateNaviframe() {
    RETURN_VALUE_IF(mMainLayout == NULL, NULL);
    Evas_Object* naviframe = elm_naviframe_add(mMainLayout);
    RETURN_VALUE_IF(naviframe == NULL, NULL);
    if (!elm_layout_content_set(mMainLayout, "elm.swallow.content", naviframe))
        CLOCK_LOG("elm_layout_content_set(elm.swallow.content) failed");
    evas_object_show(naviframe);
    WatchDeletion(naviframe, &mNaviframe);
    return naviframe;
}

// A round screen shows nothing outside its circle: every object on the window's canvas
// is clipped by an image whose alpha is the inscribed circle. Objects that come later
// (popups and the like) are clipped before each render.
Evas_Object* ViewBasicElements::CreateRoundMask(Evas_Object* window) {
    Evas* canvas = evas_object_evas_get(window);
    RETURN_VALUE_IF(canvas == NULL, NULL);
    Evas_Object* mask = evas_object_image_filled_add(canvas);
    RETURN_VALUE_IF(mask == NULL, NULL);
    evas_object_pass_events_set(mask, EINA_TRUE);
    FillRoundMask(mask, SCREEN_SIZE, SCREEN_SIZE);
    evas_object_geometry_set(mask, 0, 0, SCREEN_SIZE, SCREEN_SIZE);
    evas_object_show(mask);
    // Black around the screen when the window is bigger than it; the only object the mask
    // leaves alone.
    Evas_Object* surround = evas_object_rectangle_add(canvas);
    if (surround != NULL) {
        evas_object_color_set(surround, 0, 0, 0, 255);
        evas_object_pass_events_set(surround, EINA_TRUE);
        evas_object_lower(surround);
        evas_object_data_set(mask, SURROUND_KEY, surround);
    }
    evas_event_callback_add(canvas, EVAS_CALLBACK_RENDER_PRE, ClipToRoundCb, mask);
    evas_object_event_callback_add(window, EVAS_CALLBACK_RESIZE, WindowResizeCb, mask);
    return mask;
}

void ViewBasicElements::FillRoundMask(Evas_Object* mask, int width, int height) {
    if (width < 1 || height < 1)
        return;
    evas_object_image_alpha_set(mask, EINA_TRUE);
    evas_object_image_size_set(mask, width, height);
    uint32_t* pixels = static_cast<uint32_t*>(evas_object_image_data_get(mask, EINA_TRUE));
    if (!pixels) {
        CLOCK_LOG("evas_object_image_data_get failed");
        return;
    }
    const int stride = evas_object_image_stride_get(mask) / 4;
    const double radius = (width < height ? width : height) / 2.0;
    const double cx = width / 2.0;
    const double cy = height / 2.0;
    // Samples lie within half a pixel diagonal of the pixel's centre: pixels whose centre
    // is farther than that from the edge are wholly inside or outside.
    const double margin = 0.75;
    const double inner = (radius - margin) * (radius - margin);
    const double outer = (radius + margin) * (radius + margin);
    for (int y = 0; y < height; ++y)
        FillMaskRow(pixels + y * stride, width, y, cx, cy, radius, inner, outer);
    evas_object_image_data_set(mask, pixels);
    evas_object_image_data_update_add(mask, 0, 0, width, height);
}

void ViewBasicElements::ClipToRoundCb(void* data, Evas* e, void*) {
    Evas_Object* mask = static_cast<Evas_Object*>(data);
    const Evas_Object* surround =
        static_cast<Evas_Object*>(evas_object_data_get(mask, SURROUND_KEY));
    for (Evas_Object* obj = evas_object_bottom_get(e); obj; obj = evas_object_above_get(obj)) {
        if (obj != mask && obj != surround && !evas_object_clip_get(obj))
            evas_object_clip_set(obj, mask);
    }
}

void ViewBasicElements::WindowResizeCb(void*, Evas*, Evas_Object* obj, void*) {
    PlaceScreen(obj);
}

// The screen in the window's centre: the conformant at its own size, the circle of the
// mask over it and black around it. A window smaller than the screen shows the largest
// circle it holds.
void ViewBasicElements::PlaceScreen(Evas_Object* window) {
    if (window != mWindow)
        return;
    int width = 0, height = 0;
    evas_object_geometry_get(window, NULL, NULL, &width, &height);
    if (mConformant != NULL)
        evas_object_geometry_set(mConformant, (width - SCREEN_SIZE) / 2, (height - SCREEN_SIZE) / 2,
                                 SCREEN_SIZE, SCREEN_SIZE);
    if (mRoundMask == NULL)
        return;
    int side = width < height ? width : height;
    if (side > SCREEN_SIZE)
        side = SCREEN_SIZE;
    int current = 0;
    evas_object_image_size_get(mRoundMask, &current, NULL);
    if (current != side)
        FillRoundMask(mRoundMask, side, side);
    evas_object_geometry_set(mRoundMask, (width - side) / 2, (height - side) / 2, side, side);
    Evas_Object* surround =
        static_cast<Evas_Object*>(evas_object_data_get(mRoundMask, SURROUND_KEY));
    if (surround != NULL) {
        evas_object_geometry_set(surround, 0, 0, width, height);
        if (width > SCREEN_SIZE || height > SCREEN_SIZE)
            evas_object_show(surround);
        else
            evas_object_hide(surround);
    }
}

// The toolkit owns the widgets; a deleted one must not stay reachable through a getter.
void ViewBasicElements::WatchDeletion(Evas_Object* widget, Evas_Object** member) {
    evas_object_event_callback_add(widget, EVAS_CALLBACK_DEL, WidgetDeletedCb, member);
}

void ViewBasicElements::WidgetDeletedCb(void* data, Evas*, Evas_Object* obj, void*) {
    Evas_Object** member = static_cast<Evas_Object**>(data);
    if (*member != obj)
        return; // a widget of an earlier tree
    *member = nullptr;
    if (member == &mConformant) {
        // The circle surface is bound to the conformant and goes with it.
        mCircleSurface = nullptr;
    } else if (member == &mWindow) {
        // The mask and its canvas callbacks go with the window's canvas.
        mRoundMask = nullptr;
    }
}

} // namespace NSClockEditor
