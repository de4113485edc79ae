// Image import of the controls layer (gdk-pixbuf behind the platform's graphics importer):
// an image file named by a data reference, its natural size, and drawing it into a window.
#pragma once

#include "platform/CFURL.h"
#include "platform/MacMemory.h"
#include "platform/controls/CarbonTypes.h"

typedef struct ComponentInstanceRecord* ComponentInstance;
typedef ComponentInstance GraphicsImportComponent;
typedef SInt32 ComponentResult;

enum : OSType { URLDataHandlerSubType = 'url ' };
enum : OSStatus {
    couldNotResolveDataRef = -2000,
    cantFindHandler = -2003,
    invalidDataRef = -2004,
    badComponentInstance = (OSStatus)0x80008001,
};

// A data reference (a handle holding the URL) for a file URL; the caller disposes of the
// handle with DisposeHandle.
OSErr QTNewDataReferenceFromCFURL(CFURLRef url, UInt32 flags, Handle* outDataRef,
                                  OSType* outDataRefType);
// An importer for the image the data reference names; cantFindHandler when the file cannot
// be read as an image. Close it with CloseComponent.
OSErr GetGraphicsImporterForDataRef(Handle dataRef, OSType dataRefType, ComponentInstance* gi);
OSErr CloseComponent(ComponentInstance aComponentInstance);
// The image's own size: left 0, top 0, right its width, bottom its height.
ComponentResult GraphicsImportGetNaturalBounds(GraphicsImportComponent ci, Rect* naturalBounds);
// Where Draw puts the image (scaled to it); the natural bounds until set.
ComponentResult GraphicsImportSetBoundsRect(GraphicsImportComponent ci, const Rect* bounds);
ComponentResult GraphicsImportGetBoundsRect(GraphicsImportComponent ci, Rect* bounds);
ComponentResult GraphicsImportSetGraphicsMode(GraphicsImportComponent ci, SInt32 graphicsMode,
                                              const RGBColor* opColor);
// The port Draw draws into; the current port (GetPort) until set.
ComponentResult GraphicsImportSetGWorld(GraphicsImportComponent ci, CGrafPtr port, GDHandle gd);
// Draws the image into its port's window; the back end shows it there until the window's
// controls are drawn over it or it is drawn over.
ComponentResult GraphicsImportDraw(GraphicsImportComponent ci);
