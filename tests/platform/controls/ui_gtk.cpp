// The interface file loaded by GtkBuilder (run under a virtual X server) holds the same
// controls, numbers, kinds and bounds as the headless reader builds from it.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <map>
#include <string>

#include "platform/controls/Carbon.h"
#include "platform/controls/InterfaceFile.h"

namespace {

const std::string kFile = std::string(ZEQ_BUNDLE_RESOURCES) + "/ImageShift.ui";

struct Seen {
    OSType kind;
    Rect bounds;
    bool visible;
};

// The control kind that each widget class stands for.
OSType KindOf(GtkWidget* widget) {
    if (GTK_IS_RADIO_BUTTON(widget)) {
        return kControlKindRadioButton;
    }
    if (GTK_IS_CHECK_BUTTON(widget)) {
        return kControlKindCheckBox;
    }
    if (GTK_IS_BUTTON(widget)) {
        return kControlKindPushButton;
    }
    if (GTK_IS_ENTRY(widget)) {
        return kControlKindEditUnicodeText;
    }
    if (GTK_IS_LABEL(widget)) {
        return kControlKindStaticText;
    }
    if (GTK_IS_FRAME(widget)) {
        return kControlKindGroupBox;
    }
    if (GTK_IS_DRAWING_AREA(widget)) {
        return kControlKindUserPane;
    }
    if (GTK_IS_BOX(widget)) {
        GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
        bool radios = children != nullptr && GTK_IS_RADIO_BUTTON(children->data);
        g_list_free(children);
        return radios ? kControlKindRadioGroup : kControlKindLittleArrows;
    }
    return 0;
}

TEST(InterfaceFileInGtk, GtkBuilderAndTheHeadlessReaderAgree) {
    GError* error = nullptr;
    GtkBuilder* builder = gtk_builder_new();
    ASSERT_TRUE(gtk_builder_add_from_file(builder, kFile.c_str(), &error))
        << (error != nullptr ? error->message : "");
    GObject* window = gtk_builder_get_object(builder, "ImageShift");
    ASSERT_TRUE(window != nullptr && GTK_IS_WINDOW(window));
    EXPECT_STREQ("Image Shift", gtk_window_get_title(GTK_WINDOW(window)));

    std::map<SInt32, Seen> gtk;
    GSList* objects = gtk_builder_get_objects(builder);
    for (GSList* item = objects; item != nullptr; item = item->next) {
        if (!GTK_IS_WIDGET(item->data)) {
            continue;
        }
        GtkWidget* widget = GTK_WIDGET(item->data);
        OSType signature = 0;
        SInt32 number = 0;
        if (!ParseControlIDText(gtk_buildable_get_name(GTK_BUILDABLE(widget)), &signature,
                                &number)) {
            continue;
        }
        EXPECT_EQ(OSType{'ImSh'}, signature);
        GtkWidget* parent = gtk_widget_get_parent(widget);
        ASSERT_TRUE(GTK_IS_FIXED(parent)) << number;
        int x = 0;
        int y = 0;
        gtk_container_child_get(GTK_CONTAINER(parent), widget, "x", &x, "y", &y, nullptr);
        int w = 0;
        int h = 0;
        gtk_widget_get_size_request(widget, &w, &h);
        gtk[number] = Seen{KindOf(widget),
                           Rect{static_cast<SInt16>(y), static_cast<SInt16>(x),
                                static_cast<SInt16>(y + h), static_cast<SInt16>(x + w)},
                           gtk_widget_get_visible(widget) != 0};
    }
    g_slist_free(objects);
    EXPECT_EQ(29u, gtk.size());

    std::string message;
    auto file = InterfaceFile::Read(kFile, &message);
    ASSERT_NE(nullptr, file) << message;
    WindowRef headless = nullptr;
    ASSERT_EQ(noErr, file->CreateWindow("ImageShift", &headless, &message)) << message;
    for (SInt32 number = 4201; number <= 4229; ++number) {
        ASSERT_EQ(1u, gtk.count(number)) << number;
        const Seen& seen = gtk[number];
        ControlID id{'ImSh', number};
        ControlRef control = nullptr;
        ASSERT_EQ(noErr, GetControlByID(headless, &id, &control)) << number;
        ControlKind kind{};
        GetControlKind(control, &kind);
        EXPECT_EQ(seen.kind, kind.kind) << number;
        Rect bounds{};
        GetControlBounds(control, &bounds);
        EXPECT_TRUE(EqualRect(&bounds, &seen.bounds)) << number;
        EXPECT_EQ(seen.visible, IsControlVisible(control) != 0) << number;
    }
    DisposeWindow(headless);
    gtk_widget_destroy(GTK_WIDGET(window));
    g_object_unref(builder);
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "ui_gtk: no display (run under xvfb-run)\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
