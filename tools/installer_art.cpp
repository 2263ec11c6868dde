// The pictures of the program's icon and of the installer's wizard, drawn with the program's own
// picture code at build time (a host program; cmake/extra/installer_art.cmake runs it and turns its
// PAM files into vellumar.ico and the wizard bitmaps with ImageMagick).
// Usage: installer_art OUTDIR
#include <cstdio>
#include <string>

#include "common/picture.h"
#include "common/product.h"

namespace {

bool WritePam(const std::string& path, const Picture& pic) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    std::fprintf(out, "P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n", pic.width,
                 pic.height);
    for (const Argb p : pic.pixels) {
        const unsigned char rgba[4] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                       static_cast<unsigned char>(p), static_cast<unsigned char>(p >> 24)};
        std::fwrite(rgba, 1, 4, out);
    }
    return std::fclose(out) == 0;
}

// The side panel of the welcome and finish pages: the about banner's night blue and waves,
// upright, with the program icon near the top.
Picture DrawWizardPanel(int width, int height) {
    Picture pic(width, height);
    FillVerticalGradient(pic, MakeArgb(255, 25, 55, 100), MakeArgb(255, 10, 25, 50));
    const double w = width;
    for (int i = 1; i <= 6; ++i) {
        const double r = w * 0.3 * i;
        Fill(pic, Arc(w * 0.5, height + w * 0.15, r - w * 0.06, r, 50, 130), MakeArgb(40 + 18 * (6 - i), 120, 180, 255));
    }
    const Picture icon = DrawProgramIcon(static_cast<int>(w * 0.5));
    const int ox = (width - icon.width) / 2, oy = static_cast<int>(w * 0.22);
    for (int y = 0; y < icon.height; ++y)
        for (int x = 0; x < icon.width; ++x) {
            const Argb src = icon.at(x, y);
            const double a = (src >> 24) / 255.0;
            Argb& dst = pic.pixels[static_cast<size_t>(oy + y) * width + ox + x];
            auto mix = [&](int shift) {
                return static_cast<uint8_t>(((src >> shift) & 0xFF) * a + ((dst >> shift) & 0xFF) * (1 - a) + 0.5);
            };
            dst = MakeArgb(255, mix(16), mix(8), mix(0));
        }
    return pic;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: installer_art OUTDIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;
    for (const int size : {16, 20, 24, 32, 40, 48, 64, 256})
        ok = WritePam(dir + "/icon-" + std::to_string(size) + ".pam", DrawProgramIcon(size)) && ok;
    // 109 x 193 dialog units of the wizard's font at 96 and at 144 DPI.
    ok = WritePam(dir + "/wizard-96.pam", DrawWizardPanel(164, 314)) && ok;
    ok = WritePam(dir + "/wizard-144.pam", DrawWizardPanel(246, 471)) && ok;
    if (!ok) std::fprintf(stderr, "installer_art: could not write into %s\n", dir.c_str());
    return ok ? 0 : 1;
}
