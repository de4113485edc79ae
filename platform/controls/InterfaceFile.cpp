// The interface-file reader: GtkBuilder XML read with GLib's markup parser into a tree of
// objects, and windows of controls built from it.
#include "platform/controls/InterfaceFile.h"

#include <glib.h>

#include <charconv>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/controls/ControlsInternal.h"

namespace {

// Limits that keep a hostile file from exhausting memory or the stack.
constexpr size_t kMaxObjects = 10000;
constexpr size_t kMaxDepth = 64;
constexpr size_t kMaxPropertyText = 65536;
constexpr size_t kMaxFileSize = 4 << 20;

enum class Frame { Interface, Object, Child, Packing, Property, PackingProperty, Skipped };

struct ParseState {
    std::vector<std::unique_ptr<UIObject>>* topLevel;
    std::vector<Frame> frames;
    std::vector<UIObject*> objects;  // open objects, innermost last
    std::string propertyName;
    std::string propertyText;
    // The object of each open <child> (null until it comes): packing properties arrive
    // after that object has closed.
    std::vector<UIObject*> childObjects;
    size_t objectCount = 0;
    bool started = false;  // <interface> was seen
};

const char* Attribute(const gchar** names, const gchar** values, const char* wanted) {
    for (size_t i = 0; names[i] != nullptr; ++i) {
        if (std::strcmp(names[i], wanted) == 0) {
            return values[i];
        }
    }
    return nullptr;
}

void Fail(GError** error, const std::string& message) {
    g_set_error_literal(error, G_MARKUP_ERROR, G_MARKUP_ERROR_INVALID_CONTENT, message.c_str());
}

std::string Normalized(const char* name) {
    std::string out(name);
    for (char& c : out) {
        if (c == '-') {
            c = '_';
        }
    }
    return out;
}

void StartElement(GMarkupParseContext*, const gchar* element, const gchar** names,
                  const gchar** values, gpointer data, GError** error) {
    auto* state = static_cast<ParseState*>(data);
    try {
        std::string_view name(element);
        Frame parent = state->frames.empty() ? Frame::Skipped : state->frames.back();
        if (state->frames.empty()) {
            if (name != "interface") {
                Fail(error, "the file is not a GtkBuilder interface (<interface> expected)");
                return;
            }
            if (state->started) {
                Fail(error, "a second <interface>");
                return;
            }
            state->started = true;
            state->frames.push_back(Frame::Interface);
            return;
        }
        if (parent == Frame::Skipped || parent == Frame::Property ||
            parent == Frame::PackingProperty) {
            if (parent != Frame::Skipped) {
                Fail(error, "an element inside a property");
                return;
            }
            state->frames.push_back(Frame::Skipped);
            return;
        }
        if (name == "object" && (parent == Frame::Interface || parent == Frame::Child)) {
            const char* className = Attribute(names, values, "class");
            if (className == nullptr) {
                Fail(error, "an object without a class");
                return;
            }
            if (++state->objectCount > kMaxObjects || state->objects.size() >= kMaxDepth) {
                Fail(error, "too many or too deeply nested objects");
                return;
            }
            auto object = std::make_unique<UIObject>();
            object->className = className;
            const char* id = Attribute(names, values, "id");
            object->id = id != nullptr ? id : "";
            UIObject* raw = object.get();
            if (parent == Frame::Interface) {
                state->topLevel->push_back(std::move(object));
            } else {
                if (state->objects.empty() || state->childObjects.back() != nullptr) {
                    Fail(error, "a child holds one object");
                    return;
                }
                state->objects.back()->children.push_back(std::move(object));
                state->childObjects.back() = raw;
            }
            state->objects.push_back(raw);
            state->frames.push_back(Frame::Object);
            return;
        }
        if (name == "child" && parent == Frame::Object) {
            state->childObjects.push_back(nullptr);
            state->frames.push_back(Frame::Child);
            return;
        }
        if (name == "packing" && parent == Frame::Child) {
            if (state->childObjects.back() == nullptr) {
                Fail(error, "packing before the child's object");
                return;
            }
            state->frames.push_back(Frame::Packing);
            return;
        }
        if (name == "property" && (parent == Frame::Object || parent == Frame::Packing)) {
            const char* propertyName = Attribute(names, values, "name");
            if (propertyName == nullptr) {
                Fail(error, "a property without a name");
                return;
            }
            state->propertyName = Normalized(propertyName);
            state->propertyText.clear();
            state->frames.push_back(parent == Frame::Object ? Frame::Property
                                                            : Frame::PackingProperty);
            return;
        }
        // Signals, styles, accessibility, requirements and the like mean nothing here.
        state->frames.push_back(Frame::Skipped);
    } catch (const std::bad_alloc&) {
        Fail(error, "out of memory");
    }
}

void EndElement(GMarkupParseContext*, const gchar*, gpointer data, GError** error) {
    auto* state = static_cast<ParseState*>(data);
    try {
        Frame frame = state->frames.back();
        state->frames.pop_back();
        switch (frame) {
            case Frame::Object:
                state->objects.pop_back();
                break;
            case Frame::Child:
                state->childObjects.pop_back();
                break;
            case Frame::Property:
                state->objects.back()->properties[state->propertyName] = state->propertyText;
                break;
            case Frame::PackingProperty:
                state->childObjects.back()->packing[state->propertyName] = state->propertyText;
                break;
            default:
                break;
        }
    } catch (const std::bad_alloc&) {
        Fail(error, "out of memory");
    }
}

void Text(GMarkupParseContext*, const gchar* text, gsize length, gpointer data, GError** error) {
    auto* state = static_cast<ParseState*>(data);
    if (state->frames.empty()) {
        return;
    }
    Frame frame = state->frames.back();
    if (frame != Frame::Property && frame != Frame::PackingProperty) {
        return;
    }
    if (state->propertyText.size() + length > kMaxPropertyText) {
        Fail(error, "a property text is too long");
        return;
    }
    try {
        state->propertyText.append(text, length);
    } catch (const std::bad_alloc&) {
        Fail(error, "out of memory");
    }
}

// Building windows.

bool ParseBool(const std::string& text, bool* out) {
    std::string t = text;
    for (char& c : t) {
        c = static_cast<char>(g_ascii_tolower(c));
    }
    if (t == "true" || t == "yes" || t == "t" || t == "y" || t == "1") {
        *out = true;
        return true;
    }
    if (t == "false" || t == "no" || t == "f" || t == "n" || t == "0") {
        *out = false;
        return true;
    }
    return false;
}

class Builder {
public:
    explicit Builder(std::string* error) : mError(error) {}

    bool Bool(const UIObject& object, const char* name, bool fallback, bool* out) {
        auto found = object.properties.find(name);
        if (found == object.properties.end()) {
            *out = fallback;
            return true;
        }
        return ParseBool(found->second, out) ||
               Error(object, std::string("property ") + name + " is not a boolean");
    }

    // A coordinate or size: a decimal number within 16 bits.
    bool Coordinate(const UIObject& object,
                    const std::map<std::string, std::string, std::less<>>& map, const char* name,
                    int fallback, int* out) {
        auto found = map.find(name);
        if (found == map.end()) {
            *out = fallback;
            return true;
        }
        const std::string& text = found->second;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *out);
        if (ec != std::errc() || end != text.data() + text.size() || *out < -1 || *out > 0x7FFF) {
            return Error(object, std::string(name) + " is not a number from -1 to 32767");
        }
        if (*out < 0) {
            *out = fallback;  // -1: the widget's natural size, which only a display knows
        }
        return true;
    }

    std::string Text(const UIObject& object, const char* name) {
        auto found = object.properties.find(name);
        return found != object.properties.end() ? found->second : std::string();
    }

    bool Error(const UIObject& object, const std::string& message) {
        if (mError->empty()) {
            *mError =
                "object " + (object.id.empty() ? object.className : object.id) + ": " + message;
        }
        return false;
    }

    // Makes the control of `object` at `bounds` in the window and embeds it in `container`.
    bool Make(const UIObject& object, WindowRef window, ControlRef container, const Rect& bounds) {
        ControlRef control = nullptr;
        CFStringRef title =
            NewString(Text(object, object.className == "GtkEntry" ? "tooltip_text" : "label"));
        if (title == nullptr) {
            return Error(object, "a text that is not UTF-8");
        }
        OSStatus status = noErr;
        bool active = false;
        const std::string& kind = object.className;
        if (!Bool(object, "active", false, &active)) {
            CFRelease(title);
            return false;
        }
        bool buttonContent =
            kind == "GtkButton" || kind == "GtkCheckButton" || kind == "GtkRadioButton";
        if (buttonContent) {
            for (const auto& child : object.children) {
                if (child->className != "GtkImage" && child->className != "GtkLabel") {
                    CFRelease(title);
                    return Error(object, "a button holds only an image or a label");
                }
            }
        } else if (!object.children.empty() && kind != "GtkBox") {
            CFRelease(title);
            return Error(object, "a " + kind + " holds no widgets here");
        }
        if (kind == "GtkCheckButton") {
            status = CreateCheckBoxControl(window, &bounds, title, active ? 1 : 0, true, &control);
        } else if (kind == "GtkRadioButton") {
            status =
                CreateRadioButtonControl(window, &bounds, title, active ? 1 : 0, true, &control);
        } else if (kind == "GtkButton") {
            status = CreatePushButtonControl(window, &bounds, title, &control);
        } else if (kind == "GtkEntry") {
            status = MakeEntry(object, window, bounds, title, &control);
        } else if (kind == "GtkLabel") {
            status = CreateStaticTextControl(window, &bounds, title, nullptr, &control);
        } else if (kind == "GtkFrame") {
            status = CreateGroupBoxControl(window, &bounds, title, true, &control);
        } else if (kind == "GtkDrawingArea") {
            status = CreateUserPaneControl(window, &bounds, 0, &control);
        } else if (kind == "GtkBox") {
            CFRelease(title);
            return MakeBox(object, window, container, bounds);
        } else {
            CFRelease(title);
            return Error(object, "widget class " + kind + " has no control here");
        }
        CFRelease(title);
        if (status != noErr) {
            return Error(object, "the control cannot be made (" + std::to_string(status) + ")");
        }
        return Finish(object, control, container);
    }

    // Identifier, enabled and visible state, and the place in the container.
    bool Finish(const UIObject& object, ControlRef control, ControlRef container) {
        ControlID id{0, 0};
        ParseControlIDText(object.id, &id.signature, &id.id);
        SetControlID(control, &id);
        bool sensitive = true;
        bool visible = false;  // as in GtkBuilder, a widget is hidden unless it says visible
        if (!Bool(object, "sensitive", true, &sensitive) ||
            !Bool(object, "visible", false, &visible)) {
            DisposeControl(control);
            return false;
        }
        if (!sensitive) {
            DisableControl(control);
        }
        SetControlVisibility(control, visible, false);
        if (EmbedControl(control, container) != noErr) {
            DisposeControl(control);
            return Error(object, "cannot be embedded");
        }
        return true;
    }

    OSStatus MakeEntry(const UIObject& object, WindowRef window, const Rect& bounds,
                       CFStringRef title, ControlRef* control) {
        CFStringRef text = NewString(Text(object, "text"));
        bool editable = true;
        if (text == nullptr || !Bool(object, "editable", true, &editable)) {
            if (text == nullptr) {
                Error(object, "a text that is not UTF-8");
            }
            CFRelease(text);
            return paramErr;
        }
        OSStatus status =
            CreateEditUnicodeTextControl(window, &bounds, text, false, nullptr, control);
        CFRelease(text);
        if (status == noErr) {
            SetControlTitleWithCFString(*control, title);
            Boolean locked = editable ? 0 : 1;
            SetControlData(*control, kControlEntireControl, kControlEditTextLockedTag,
                           sizeof(locked), &locked);
        }
        return status;
    }

    // A box of radio buttons is a radio group; a box of two buttons a stepper.
    bool MakeBox(const UIObject& object, WindowRef window, ControlRef container,
                 const Rect& bounds) {
        bool radios = !object.children.empty();
        bool buttons = object.children.size() == 2;
        for (const auto& child : object.children) {
            radios = radios && child->className == "GtkRadioButton";
            buttons = buttons && child->className == "GtkButton";
        }
        ControlRef control = nullptr;
        if (buttons) {
            if (CreateLittleArrowsControl(window, &bounds, 0, 0, 0, 1, &control) != noErr) {
                return Error(object, "the stepper cannot be made");
            }
            return Finish(object, control, container);
        }
        if (!radios) {
            return Error(object, "a GtkBox holds radio buttons, or the two buttons of a stepper");
        }
        if (CreateRadioGroupControl(window, &bounds, &control) != noErr) {
            return Error(object, "the radio group cannot be made");
        }
        if (!Finish(object, control, container)) {
            return false;
        }
        // The buttons share the box along its orientation, each its requested size.
        bool vertical = Text(object, "orientation") == "vertical";
        int spacing = 0;
        if (!Coordinate(object, object.properties, "spacing", 0, &spacing)) {
            return false;
        }
        int count = static_cast<int>(object.children.size());
        int along = vertical ? bounds.bottom - bounds.top : bounds.right - bounds.left;
        int share = std::max(0, (along - spacing * (count - 1)) / count);
        int position = vertical ? bounds.top : bounds.left;
        SInt32 selected = 1;  // GtkBuilder activates a group's first button unless another is
        for (int i = 0; i < count; ++i) {
            const UIObject& child = *object.children[static_cast<size_t>(i)];
            int width = 0;
            int height = 0;
            if (!Coordinate(child, child.properties, "width_request",
                            vertical ? bounds.right - bounds.left : share, &width) ||
                !Coordinate(child, child.properties, "height_request",
                            vertical ? share : bounds.bottom - bounds.top, &height)) {
                return false;
            }
            int length = vertical ? height : width;
            if (position + length > 0x7FFF) {
                return Error(child, "lies beyond 16-bit coordinates");
            }
            Rect r = vertical ? Rect{static_cast<SInt16>(position), bounds.left,
                                     static_cast<SInt16>(position + height),
                                     static_cast<SInt16>(bounds.left + width)}
                              : Rect{bounds.top, static_cast<SInt16>(position),
                                     static_cast<SInt16>(bounds.top + height),
                                     static_cast<SInt16>(position + width)};
            if (!Make(child, window, control, r)) {
                return false;
            }
            bool active = false;
            Bool(child, "active", false, &active);
            if (active) {
                selected = i + 1;
            }
            position = std::min(0x7FFF, position + length + spacing);
        }
        SetControl32BitValue(control, selected);
        return true;
    }

private:
    static CFStringRef NewString(const std::string& utf8) {
        std::u16string text;
        if (!controls::FromUTF8(utf8, &text)) {
            return nullptr;
        }
        return controls::NewCFString(text);
    }

    std::string* mError;
};

}  // namespace

bool ParseControlIDText(std::string_view text, OSType* signature, SInt32* number) {
    if (text.size() < 6 || text[4] != '-') {
        return false;
    }
    SInt32 value = 0;
    const char* digits = text.data() + 5;
    const char* end = text.data() + text.size();
    if (*digits < '0' || *digits > '9') {
        return false;
    }
    auto [stop, ec] = std::from_chars(digits, end, value);
    if (ec != std::errc() || stop != end) {
        return false;
    }
    OSType code = 0;
    for (size_t i = 0; i < 4; ++i) {
        code = (code << 8) | static_cast<unsigned char>(text[i]);
    }
    *signature = code;
    *number = value;
    return true;
}

std::unique_ptr<InterfaceFile> InterfaceFile::Parse(std::string_view text, std::string* error) {
    std::string ignored;
    if (error == nullptr) {
        error = &ignored;
    }
    error->clear();
    std::unique_ptr<InterfaceFile> file(new (std::nothrow) InterfaceFile);
    if (file == nullptr) {
        *error = "out of memory";
        return nullptr;
    }
    if (text.size() > kMaxFileSize) {
        *error = "the file is too large";
        return nullptr;
    }
    ParseState state{&file->mObjects, {}, {}, {}, {}, {}, 0, false};
    GMarkupParser parser{StartElement, EndElement, Text, nullptr, nullptr};
    GMarkupParseContext* context =
        g_markup_parse_context_new(&parser, GMarkupParseFlags(0), &state, nullptr);
    GError* gerror = nullptr;
    bool ok = g_markup_parse_context_parse(context, text.data(), static_cast<gssize>(text.size()),
                                           &gerror) &&
              g_markup_parse_context_end_parse(context, &gerror);
    if (ok && !state.started) {
        g_set_error_literal(&gerror, G_MARKUP_ERROR, G_MARKUP_ERROR_EMPTY, "the file is empty");
        ok = false;
    }
    if (!ok) {
        gint line = 0;
        gint column = 0;
        g_markup_parse_context_get_position(context, &line, &column);
        *error = "line " + std::to_string(line) + ": " +
                 (gerror != nullptr ? gerror->message : "not an interface file");
        g_clear_error(&gerror);
        file.reset();
    }
    g_markup_parse_context_free(context);
    return file;
}

std::unique_ptr<InterfaceFile> InterfaceFile::Read(const std::string& path, std::string* error) {
    gchar* contents = nullptr;
    gsize length = 0;
    GError* gerror = nullptr;
    if (!g_file_get_contents(path.c_str(), &contents, &length, &gerror)) {
        if (error != nullptr) {
            *error = gerror != nullptr ? gerror->message : "cannot be read";
        }
        g_clear_error(&gerror);
        return nullptr;
    }
    std::unique_ptr<InterfaceFile> file = Parse(std::string_view(contents, length), error);
    g_free(contents);
    return file;
}

const UIObject* InterfaceFile::Find(std::string_view id) const {
    for (const auto& object : mObjects) {
        if (object->id == id) {
            return object.get();
        }
    }
    return nullptr;
}

OSStatus InterfaceFile::CreateWindow(std::string_view name, WindowRef* outWindow,
                                     std::string* error) const {
    std::string ignored;
    if (error == nullptr) {
        error = &ignored;
    }
    error->clear();
    if (outWindow == nullptr) {
        return paramErr;
    }
    *outWindow = nullptr;
    const UIObject* object = Find(name);
    if (object == nullptr) {
        *error = "no object " + std::string(name);
        return kIBCarbonRuntimeCantFindObject;
    }
    Builder builder(error);
    if (object->className != "GtkWindow" || object->children.size() != 1 ||
        object->children[0]->className != "GtkFixed") {
        builder.Error(*object, "not a GtkWindow holding one GtkFixed");
        return kIBCarbonRuntimeObjectNotOfRequestedType;
    }
    const UIObject& fixed = *object->children[0];
    int width = 0;
    int height = 0;
    if (!builder.Coordinate(*object, object->properties, "default_width", 0, &width) ||
        !builder.Coordinate(*object, object->properties, "default_height", 0, &height)) {
        return kIBCarbonRuntimeObjectNotOfRequestedType;
    }
    Rect content{0, 0, static_cast<SInt16>(height), static_cast<SInt16>(width)};
    WindowRef window = nullptr;
    OSStatus status = CreateNewWindow(kDocumentWindowClass, kWindowNoAttributes, &content, &window);
    if (status != noErr) {
        *error = "the window cannot be made";
        return status;
    }
    CFStringRef title = CFStringCreateWithBytes(
        kCFAllocatorDefault, reinterpret_cast<const UInt8*>(builder.Text(*object, "title").data()),
        static_cast<CFIndex>(builder.Text(*object, "title").size()), kCFStringEncodingUTF8, false);
    SetWindowTitleWithCFString(window, title);
    if (title != nullptr) {
        CFRelease(title);
    }
    ControlRef root = nullptr;
    GetRootControl(window, &root);
    for (const auto& child : fixed.children) {
        int x = 0;
        int y = 0;
        int w = 0;
        int h = 0;
        bool ok = builder.Coordinate(*child, child->packing, "x", 0, &x) &&
                  builder.Coordinate(*child, child->packing, "y", 0, &y) &&
                  builder.Coordinate(*child, child->properties, "width_request", 0, &w) &&
                  builder.Coordinate(*child, child->properties, "height_request", 0, &h);
        if (ok && (x + w > 0x7FFF || y + h > 0x7FFF)) {
            ok = builder.Error(*child, "lies beyond 16-bit coordinates");
        }
        Rect bounds{static_cast<SInt16>(y), static_cast<SInt16>(x), static_cast<SInt16>(y + h),
                    static_cast<SInt16>(x + w)};
        if (!ok || !builder.Make(*child, window, root, bounds)) {
            DisposeWindow(window);
            return kIBCarbonRuntimeObjectNotOfRequestedType;
        }
    }
    *outWindow = window;
    return noErr;
}
