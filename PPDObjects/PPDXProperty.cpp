// PPDXProperty: a property page with its display flags and scroll pane.
#include "PPDObjects/PPDXProperty.h"

PPDXProperty::PPDXProperty()
    : PPDXElement(), mScrollDown(nullptr), mShowInPrintProp(false), mShowInApp(false) {}

PPDXProperty::PPDXProperty(const char* keyword, CFStringRef inLocalName, const bool& visible,
                           const bool& showInPrintProp, const bool& showInApp)
    : PPDXElement(keyword, inLocalName, visible),
      mScrollDown(nullptr),
      mShowInPrintProp(showInPrintProp),
      mShowInApp(showInApp) {}

PPDXProperty::~PPDXProperty() {}
