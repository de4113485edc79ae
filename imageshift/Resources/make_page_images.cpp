// Makes the four page images of the bundle (portrait_f, portrait_b, landscape_f,
// landscape_b .tif): a sheet with a folded corner, "F" on its front side, "B" on a greyer
// back side. Uncompressed, so that no padding byte of the encoder varies from run to run:
// the same bytes every time. Usage: make_page_images DIRECTORY
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdio>
#include <string>

namespace {

struct Colour {
    guint8 r, g, b, a;
};

// 5 x 7 letters, one row a string.
const char* const kLetterF[7] = {"11111", "10000", "10000", "11110", "10000", "10000", "10000"};
const char* const kLetterB[7] = {"11110", "10001", "10001", "11110", "10001", "10001", "11110"};

constexpr int kFold = 8;   // the folded corner's side
constexpr int kScale = 3;  // letter pixels per font pixel

void Put(GdkPixbuf* image, int x, int y, Colour c) {
    int stride = gdk_pixbuf_get_rowstride(image);
    guint8* p = gdk_pixbuf_get_pixels(image) + y * stride + x * 4;
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
    p[3] = c.a;
}

GdkPixbuf* MakeSheet(int width, int height, bool front) {
    GdkPixbuf* image = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
    if (image == nullptr) {
        return nullptr;
    }
    const Colour clear{0, 0, 0, 0};
    const Colour edge{64, 64, 64, 255};
    const Colour paper = front ? Colour{255, 255, 255, 255} : Colour{214, 214, 214, 255};
    const Colour flap{176, 176, 176, 255};
    const Colour ink = front ? Colour{24, 64, 160, 255} : Colour{150, 32, 32, 255};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int diagonal = width - kFold + y;  // the fold line in the top right corner
            Colour c = paper;
            if (y < kFold && x > diagonal) {
                c = clear;
            } else if (y < kFold && x == diagonal) {
                c = edge;
            } else if (y < kFold && x >= width - kFold && (y == kFold - 1 || x == width - kFold)) {
                c = edge;  // the flap's edges
            } else if (y < kFold && x > width - kFold) {
                c = flap;
            } else if (x == 0 || y == 0 || x == width - 1 || y == height - 1) {
                c = edge;
            }
            Put(image, x, y, c);
        }
    }
    const char* const* letter = front ? kLetterF : kLetterB;
    int left = (width - 5 * kScale) / 2;
    int top = (height - 7 * kScale) / 2;
    for (int row = 0; row < 7; ++row) {
        for (int column = 0; column < 5; ++column) {
            if (letter[row][column] != '1') {
                continue;
            }
            for (int dy = 0; dy < kScale; ++dy) {
                for (int dx = 0; dx < kScale; ++dx) {
                    Put(image, left + column * kScale + dx, top + row * kScale + dy, ink);
                }
            }
        }
    }
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_page_images DIRECTORY\n");
        return 2;
    }
    struct Page {
        const char* name;
        int width;
        int height;
        bool front;
    };
    const Page pages[] = {{"portrait_f", 34, 44, true},
                          {"portrait_b", 34, 44, false},
                          {"landscape_f", 44, 34, true},
                          {"landscape_b", 44, 34, false}};
    for (const Page& page : pages) {
        GdkPixbuf* image = MakeSheet(page.width, page.height, page.front);
        std::string path = std::string(argv[1]) + "/" + page.name + ".tif";
        GError* error = nullptr;
        if (image == nullptr ||
            !gdk_pixbuf_save(image, path.c_str(), "tiff", &error, "compression", "1", nullptr)) {
            std::fprintf(stderr, "make_page_images: %s: %s\n", path.c_str(),
                         error != nullptr ? error->message : "out of memory");
            g_clear_error(&error);
            if (image != nullptr) {
                g_object_unref(image);
            }
            return 1;
        }
        g_object_unref(image);
    }
    return 0;
}
