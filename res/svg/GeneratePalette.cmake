# Run with cmake -P at build time: reads the colour bands from PALETTE and writes, from
# the one face template TEMPLATE, an SVG per band into SVG_DIR (named after the band's
# preview image), and the C header HEADER with the same colours.
#   -DPALETTE=... -DTEMPLATE=... -DSVG_DIR=... -DHEADER=...
foreach(var PALETTE TEMPLATE SVG_DIR HEADER)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "GeneratePalette: ${var} is not set")
    endif()
endforeach()

file(STRINGS ${PALETTE} lines)
set(hex "#([0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f])")
set(count 0)
set(entries "")
foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*(#|$)")
        continue()
    endif()
    if(NOT line MATCHES "^([0-9]+)[ \t]+([a-z]+)[ \t]+${hex}[ \t]+${hex}[ \t]+${hex}[ \t]*$")
        message(FATAL_ERROR "${PALETTE}: bad line '${line}'")
    endif()
    set(band ${CMAKE_MATCH_1})
    set(NAME ${CMAKE_MATCH_2})
    string(TOUPPER ${CMAKE_MATCH_3} dial)
    string(TOUPPER ${CMAKE_MATCH_4} ink)
    string(TOUPPER ${CMAKE_MATCH_5} accent)
    if(NOT band EQUAL count)
        message(FATAL_ERROR "${PALETTE}: band ${band} out of order, expected ${count}")
    endif()
    set(DIAL "#${dial}")
    set(INK "#${ink}")
    set(ACCENT "#${accent}")
    set(preview "pelmiro_vantelric_${NAME}_preview")
    configure_file(${TEMPLATE} ${SVG_DIR}/${preview}.svg @ONLY)
    string(APPEND entries
        "        {\"${NAME}\", \"${preview}.png\", 0x${dial}u, 0x${ink}u, 0x${accent}u},\n")
    math(EXPR count "${count} + 1")
endforeach()
if(NOT count EQUAL 5)
    message(FATAL_ERROR "${PALETTE}: ${count} bands, expected 5")
endif()

file(CONFIGURE OUTPUT ${HEADER} @ONLY CONTENT
"/* The colour bands of the Dalvexa face, generated at build time from res/svg/palette.txt,
 * the file the preview images are drawn from. Do not edit. */
#ifndef DALVEXA_PALETTE_H
#define DALVEXA_PALETTE_H

#include <stddef.h>

#define DALVEXA_BAND_COUNT 5

/* Colours are 0xRRGGBB. */
#define DALVEXA_RED(rgb) (((rgb) >> 16) & 0xFFu)
#define DALVEXA_GREEN(rgb) (((rgb) >> 8) & 0xFFu)
#define DALVEXA_BLUE(rgb) ((rgb) & 0xFFu)

typedef struct {
    const char* name;    /* \"blue\", \"white\", ... */
    const char* preview; /* file name of the preview image in the shared resources */
    unsigned int dial;   /* the face's ground: the colour the band is known by */
    unsigned int ink;    /* hour indices, minute track, hour and minute hands */
    unsigned int accent; /* the face's name, the seconds hand, the centre cap */
} dalvexa_band_colors;

/* The colours of a band 0..DALVEXA_BAND_COUNT-1; NULL for any other value. */
static inline const dalvexa_band_colors* dalvexa_band_get(int band) {
    static const dalvexa_band_colors bands[DALVEXA_BAND_COUNT] = {
${entries}    };
    if (band < 0 || band >= DALVEXA_BAND_COUNT)
        return NULL;
    return &bands[band];
}

#endif
")
