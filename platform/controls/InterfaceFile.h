// The reader of interface files (GtkBuilder XML) with GLib's markup parser, and the windows
// of controls made from them. Interface files are untrusted: a bad file gives an error text,
// never a crash.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls/CarbonTypes.h"

// One <object> of the file with its properties, its packing properties (from the enclosing
// <child>) and its child objects.
struct UIObject {
    std::string className;
    std::string id;
    int line = 0;
    std::map<std::string, std::string, std::less<>> properties;
    std::map<std::string, std::string, std::less<>> packing;
    std::vector<std::unique_ptr<UIObject>> children;
};

class InterfaceFile {
public:
    // Null with *error ("line L: ...") when the text is not a well-formed interface file.
    static std::unique_ptr<InterfaceFile> Parse(std::string_view text, std::string* error);
    static std::unique_ptr<InterfaceFile> Read(const std::string& path, std::string* error);

    const std::vector<std::unique_ptr<UIObject>>& Objects() const { return mObjects; }
    // The top-level object with that id, or null.
    const UIObject* Find(std::string_view id) const;

    // Makes a new hidden window from the top-level GtkWindow `name`: its GtkFixed content
    // becomes the root control, each child a control at its packing x and y with its
    // width_request and height_request, carrying the identifier its id spells ("ImSh-4203":
    // 'ImSh', 4203). Widget classes: GtkCheckButton (check box), GtkRadioButton (radio
    // button), a GtkBox of radio buttons (radio group, the active one's position its value),
    // a GtkBox of two GtkButtons (stepper: up, down), GtkButton (push button), GtkEntry (edit
    // text; not editable: locked; tooltip_text: title), GtkLabel (static text), GtkFrame
    // (group box), GtkDrawingArea (user pane). Status as CreateWindowFromNib, with *error.
    OSStatus CreateWindow(std::string_view name, WindowRef* outWindow, std::string* error) const;

private:
    std::vector<std::unique_ptr<UIObject>> mObjects;
};

// The control identifier an object id spells: four characters, "-", a decimal number;
// false for any other id.
bool ParseControlIDText(std::string_view text, OSType* signature, SInt32* number);
