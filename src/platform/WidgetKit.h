// Small factories for the controls of the program's dialogs: each control carries the name
// the rest of the program (and the tests) know it by. Buttons never become the default button,
// so Enter in a text field does not press them.
#pragma once

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QString>

namespace teleon::ui {

inline QPushButton* button(QWidget* parent, const QString& name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

inline QRadioButton* radio(QWidget* parent, const QString& name, const QString& caption) {
    auto* r = new QRadioButton(caption, parent);
    r->setObjectName(name);
    return r;
}

inline QCheckBox* checkBox(QWidget* parent, const QString& name, const QString& caption) {
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(name);
    return c;
}

} // namespace teleon::ui
