// Image import over gdk-pixbuf: a data reference holds a file path; the importer reads the
// image, keeps its bounds, mode and port, and draws it into the port's window.
#include "platform/controls/QuickTime.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "platform/MacMemory.h"
#include "platform/controls/ControlsInternal.h"

struct ComponentInstanceRecord {
    GdkPixbuf* pixbuf = nullptr;
    std::string path;
    Rect bounds{0, 0, 0, 0};
    SInt32 mode = srcCopy;
    CGrafPtr port = nullptr;
    bool portSet = false;
};

namespace controls {

void ReleasePixbuf(void* pixbuf) {
    if (pixbuf != nullptr) {
        g_object_unref(static_cast<GdkPixbuf*>(pixbuf));
    }
}

void AddWindowImage(WindowRef window, const DrawnImage& image) {
    // What lies under the new image is painted over.
    auto covered = [&](const DrawnImage& old) {
        const Rect& a = old.bounds;
        const Rect& b = image.bounds;
        return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
    };
    auto& images = window->images;
    for (const DrawnImage& old : images) {
        if (covered(old)) {
            ReleasePixbuf(old.pixbuf);
        }
    }
    images.erase(std::remove_if(images.begin(), images.end(), covered), images.end());
    images.push_back(image);
    g_object_ref(static_cast<GdkPixbuf*>(image.pixbuf));
    Notify(window, WindowChange::Image);
}

}  // namespace controls

std::vector<DrawnImage> ControlsCopyWindowImages(WindowRef window) {
    if (window == nullptr || !controls::WindowExists(window)) {
        return {};
    }
    return window->images;
}

OSErr QTNewDataReferenceFromCFURL(CFURLRef url, UInt32, Handle* outDataRef,
                                  OSType* outDataRefType) {
    if (url == nullptr || outDataRef == nullptr || outDataRefType == nullptr) {
        return paramErr;
    }
    *outDataRef = nullptr;
    UInt8 path[4096];
    if (!CFURLGetFileSystemRepresentation(url, true, path, sizeof(path))) {
        return invalidDataRef;
    }
    size_t length = std::strlen(reinterpret_cast<const char*>(path)) + 1;
    Handle handle = NewHandle(static_cast<Size>(length));
    if (handle == nullptr) {
        return memFullErr;
    }
    std::memcpy(*handle, path, length);
    *outDataRef = handle;
    *outDataRefType = URLDataHandlerSubType;
    return noErr;
}

OSErr GetGraphicsImporterForDataRef(Handle dataRef, OSType dataRefType, ComponentInstance* gi) {
    if (gi == nullptr) {
        return paramErr;
    }
    *gi = nullptr;
    if (dataRef == nullptr || *dataRef == nullptr || dataRefType != URLDataHandlerSubType) {
        return invalidDataRef;
    }
    Size size = GetHandleSize(dataRef);
    if (size < 1 || (*dataRef)[size - 1] != '\0') {
        return invalidDataRef;
    }
    std::string path(*dataRef);
    GError* error = nullptr;
    GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(path.c_str(), &error);
    if (pixbuf == nullptr) {
        g_clear_error(&error);
        return cantFindHandler;
    }
    int width = gdk_pixbuf_get_width(pixbuf);
    int height = gdk_pixbuf_get_height(pixbuf);
    if (width > 0x7FFF || height > 0x7FFF) {
        g_object_unref(pixbuf);
        return cantFindHandler;  // beyond 16-bit coordinates
    }
    auto* importer = new (std::nothrow) ComponentInstanceRecord;
    if (importer == nullptr) {
        g_object_unref(pixbuf);
        return memFullErr;
    }
    importer->pixbuf = pixbuf;
    importer->path = std::move(path);
    importer->bounds = Rect{0, 0, static_cast<SInt16>(height), static_cast<SInt16>(width)};
    *gi = importer;
    return noErr;
}

OSErr CloseComponent(ComponentInstance aComponentInstance) {
    if (aComponentInstance == nullptr) {
        return paramErr;
    }
    g_object_unref(aComponentInstance->pixbuf);
    delete aComponentInstance;
    return noErr;
}

ComponentResult GraphicsImportGetNaturalBounds(GraphicsImportComponent ci, Rect* naturalBounds) {
    if (ci == nullptr) {
        return badComponentInstance;
    }
    if (naturalBounds == nullptr) {
        return paramErr;
    }
    *naturalBounds = Rect{0, 0, static_cast<SInt16>(gdk_pixbuf_get_height(ci->pixbuf)),
                          static_cast<SInt16>(gdk_pixbuf_get_width(ci->pixbuf))};
    return noErr;
}

ComponentResult GraphicsImportSetBoundsRect(GraphicsImportComponent ci, const Rect* bounds) {
    if (ci == nullptr) {
        return badComponentInstance;
    }
    if (bounds == nullptr) {
        return paramErr;
    }
    ci->bounds = *bounds;
    return noErr;
}

ComponentResult GraphicsImportGetBoundsRect(GraphicsImportComponent ci, Rect* bounds) {
    if (ci == nullptr) {
        return badComponentInstance;
    }
    if (bounds == nullptr) {
        return paramErr;
    }
    *bounds = ci->bounds;
    return noErr;
}

ComponentResult GraphicsImportSetGraphicsMode(GraphicsImportComponent ci, SInt32 graphicsMode,
                                              const RGBColor*) {
    if (ci == nullptr) {
        return badComponentInstance;
    }
    ci->mode = graphicsMode;
    return noErr;
}

ComponentResult GraphicsImportSetGWorld(GraphicsImportComponent ci, CGrafPtr port, GDHandle) {
    if (ci == nullptr) {
        return badComponentInstance;
    }
    ci->port = port;
    ci->portSet = port != nullptr;
    return noErr;
}

ComponentResult GraphicsImportDraw(GraphicsImportComponent ci) {
    if (ci == nullptr) {
        return badComponentInstance;
    }
    CGrafPtr port = ci->port;
    if (!ci->portSet) {
        GetPort(&port);
    }
    WindowRef window = GetWindowFromPort(port);
    if (window == nullptr || !controls::WindowExists(window)) {
        return paramErr;
    }
    controls::AddWindowImage(
        window, DrawnImage{ci->bounds, ci->mode, ci->path, gdk_pixbuf_get_width(ci->pixbuf),
                           gdk_pixbuf_get_height(ci->pixbuf), ci->pixbuf});
    return noErr;
}
