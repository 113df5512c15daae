// dalvexa-face-preview OUT_DIR: draws the face in each band of the palette at the
// preview's time, with the face's own drawing code on a see-through buffer canvas, and
// writes each band's preview image (its file name from the palette) into OUT_DIR.
#include "FaceClock.h"
#include "dalvexa_palette.h"

#include <Ecore.h>
#include <Ecore_Evas.h>

#include <cstdio>
#include <string>

using dalvexa::FaceClock;

namespace {

bool Save(Ecore_Evas* ee, const std::string& path) {
    ecore_evas_manual_render(ee);
    const void* pixels = ecore_evas_buffer_pixels_get(ee);
    if (!pixels)
        return false;
    // A hidden image object of the same canvas writes the frame through Evas's savers.
    Evas_Object* image = evas_object_image_add(ecore_evas_get(ee));
    evas_object_image_size_set(image, FaceClock::kSize, FaceClock::kSize);
    evas_object_image_alpha_set(image, EINA_TRUE);
    evas_object_image_data_copy_set(image, const_cast<void*>(pixels));
    const bool saved = evas_object_image_save(image, path.c_str(), nullptr, "compress=9");
    evas_object_del(image);
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s OUT_DIR\n", argv[0]);
        return 2;
    }
    ecore_app_no_system_modules();
    if (!ecore_evas_init()) {
        fprintf(stderr, "dalvexa-face-preview: cannot start Ecore_Evas\n");
        return 1;
    }
    int status = 0;
    Ecore_Evas* ee = ecore_evas_buffer_new(FaceClock::kSize, FaceClock::kSize);
    if (!ee) {
        fprintf(stderr, "dalvexa-face-preview: no buffer canvas\n");
        status = 1;
    } else {
        ecore_evas_alpha_set(ee, EINA_TRUE);
        ecore_evas_manual_render_set(ee, EINA_TRUE);
        ecore_evas_show(ee);
        {
            FaceClock face(ecore_evas_get(ee));
            face.SetTime(FaceClock::kPreviewHour, FaceClock::kPreviewMinute,
                         FaceClock::kPreviewSecond);
            face.Show();
            for (int band = 0; band < DALVEXA_BAND_COUNT && status == 0; ++band) {
                face.SetBand(band);
                const std::string path =
                    std::string(argv[1]) + "/" + dalvexa_band_get(band)->preview;
                if (!Save(ee, path)) {
                    fprintf(stderr, "dalvexa-face-preview: cannot write %s\n", path.c_str());
                    status = 1;
                }
            }
        }
        ecore_evas_free(ee);
    }
    ecore_evas_shutdown();
    return status;
}
