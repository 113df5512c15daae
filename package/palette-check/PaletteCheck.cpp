// palette-check PALETTE OUT: reads the colour bands of palette.txt and checks that each
// band stays legible, with contrast ratios as WCAG 2 defines them (relative luminance of
// sRGB colours): the ink (hands, indices: graphics) on the dial at least 3:1, the face's
// name, drawn in the accent colour, on the dial at least 4.5:1 (small text). Writes the
// table of ratios to OUT (Markdown, as README shows it) when every band passes; otherwise
// names each band, pair and ratio that falls short and exits with 1.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Band {
    std::string name;
    unsigned dial = 0, ink = 0, accent = 0;
};

double Channel(unsigned value) {
    const double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(unsigned rgb) {
    return 0.2126 * Channel((rgb >> 16) & 0xFF) + 0.7152 * Channel((rgb >> 8) & 0xFF) +
           0.0722 * Channel(rgb & 0xFF);
}

double Contrast(unsigned a, unsigned b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::fmax(la, lb) + 0.05) / (std::fmin(la, lb) + 0.05);
}

bool ParseColour(const std::string& text, unsigned* rgb) {
    if (text.size() != 7 || text[0] != '#')
        return false;
    size_t used = 0;
    try {
        *rgb = static_cast<unsigned>(std::stoul(text.substr(1), &used, 16));
    } catch (const std::exception&) {
        return false;
    }
    return used == 6;
}

std::string Hex(unsigned rgb) {
    char buf[8];
    snprintf(buf, sizeof buf, "#%06X", rgb);
    return buf;
}

std::string Ratio(double r) {
    char buf[16];
    snprintf(buf, sizeof buf, "%.2f:1", r);
    return buf;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s PALETTE OUT\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        fprintf(stderr, "palette-check: cannot read %s\n", argv[1]);
        return 1;
    }
    std::vector<Band> bands;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string number, dial, ink, accent;
        Band band;
        if (!(words >> number) || number[0] == '#')
            continue;
        if (!(words >> band.name >> dial >> ink >> accent) || !ParseColour(dial, &band.dial) ||
            !ParseColour(ink, &band.ink) || !ParseColour(accent, &band.accent)) {
            fprintf(stderr, "%s: bad line '%s'\n", argv[1], line.c_str());
            return 1;
        }
        bands.push_back(band);
    }

    const double kInkMin = 3.0, kNameMin = 4.5;
    bool ok = true;
    std::string table =
        "| band | dial | ink | ink on dial (≥ 3:1) | accent | name on dial (≥ 4.5:1) |\n"
        "|---|---|---|---|---|---|\n";
    for (const Band& b : bands) {
        const double ink = Contrast(b.ink, b.dial), name = Contrast(b.accent, b.dial);
        if (ink < kInkMin) {
            fprintf(stderr, "%s: band %s: ink %s on dial %s has a contrast of %s, below 3:1\n",
                    argv[1], b.name.c_str(), Hex(b.ink).c_str(), Hex(b.dial).c_str(),
                    Ratio(ink).c_str());
            ok = false;
        }
        if (name < kNameMin) {
            fprintf(stderr,
                    "%s: band %s: the name in accent %s on dial %s has a contrast of %s, below "
                    "4.5:1\n",
                    argv[1], b.name.c_str(), Hex(b.accent).c_str(), Hex(b.dial).c_str(),
                    Ratio(name).c_str());
            ok = false;
        }
        table += "| " + b.name + " | `" + Hex(b.dial) + "` | `" + Hex(b.ink) + "` | " + Ratio(ink) +
                 " | `" + Hex(b.accent) + "` | " + Ratio(name) + " |\n";
    }
    if (!ok)
        return 1;
    std::ofstream out(argv[2], std::ios::trunc);
    out << table;
    if (!out.flush()) {
        fprintf(stderr, "palette-check: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
