#include "ui/hilite.h"

void myRk880JCHilite(platform::TextField& field, bool dim)
{
    if (!field)
        return;
    if (field.tag() == 0) {
        field.setTextColor(dim ? platform::TextColor::Gray : platform::TextColor::Black);
        return;
    }
    if (dim) {
        field.setEditable(false);
        field.setSelectable(false);
        field.setTextColor(platform::TextColor::Gray);
        field.resignWindowFirstResponder();
    } else {
        field.setEditable(true);
        field.setSelectable(true);
        field.setTextColor(platform::TextColor::Black);
        field.becomeFirstResponder();
    }
}
