#pragma once

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QDialog>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

// Small tools the dialog tests share: what a screen reader hears, and input the way a
// user gives it.

// The name assistive technology reads for a control.
inline QString AccessibleName(QWidget* widget) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(QAccessible::Name) : QString();
}

// The text of the edit that is named `name` in a dialog.
inline QString FieldText(QWidget& dialog, const QString& name) {
    for (auto* edit : dialog.findChildren<QLineEdit*>())
        if (AccessibleName(edit) == name)
            return edit->text();
    return QStringLiteral("<no field %1>").arg(name);
}

// The texts of the edits with these names, in this order.
inline QStringList FieldTexts(QWidget& dialog, std::initializer_list<const char*> names) {
    QStringList texts;
    for (const char* name : names)
        texts << FieldText(dialog, name);
    return texts;
}

// The one control of type T in the dialog that is named `name`, as a screen reader finds
// it; the test stops with a message when there is none or more than one.
template <class T>
T* Named(QWidget& dialog, const QString& name) {
    T* found = nullptr;
    int count = 0;
    for (auto* control : dialog.findChildren<T*>()) {
        if (AccessibleName(control) == name) {
            found = control;
            ++count;
        }
    }
    if (count != 1)
        qFatal("%d controls named \"%s\" in \"%s\"", count, qPrintable(name),
               qPrintable(dialog.windowTitle()));
    return found;
}

inline QLineEdit* Field(QWidget& dialog, const QString& name) {
    return Named<QLineEdit>(dialog, name);
}

inline QAbstractButton* Button(QWidget& dialog, const QString& name) {
    return Named<QAbstractButton>(dialog, name);
}

// Presses a button with the mouse, as a user does.
inline void Press(QWidget& dialog, const QString& name) {
    QTest::mouseClick(Button(dialog, name), Qt::LeftButton);
}

// Replaces the text of an edit the way a user does: empty it, then type key by key.
inline void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, text);
}

// Clicks a check box or radio button on its indicator, which is where a user aims.
inline void ClickBox(QAbstractButton* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
}

// A spin box's own edit and a scroll area's own bars are reached and named with their control.
inline bool IsPartOfAControl(QWidget* w) {
    if (qobject_cast<QAbstractSpinBox*>(w->parentWidget()))
        return true;
    for (QWidget* p = w->parentWidget(); p != nullptr; p = p->parentWidget())
        if (auto* area = qobject_cast<QAbstractScrollArea*>(p))
            if (area->horizontalScrollBar() == w || area->verticalScrollBar() == w)
                return true;
    return false;
}

// Every edit, button and slider of the dialog can be reached with Tab and has a name;
// buttons are named by their text. Returns the names found, for closer checks.
inline QStringList CheckControlsAreNamedAndReachable(QWidget& dialog) {
    QStringList names;
    QList<QWidget*> controls;
    for (auto* w : dialog.findChildren<QLineEdit*>())
        controls << w;
    for (auto* w : dialog.findChildren<QAbstractSlider*>())
        controls << w;
    for (auto* b : dialog.findChildren<QAbstractButton*>()) {
        if (b->text().isEmpty())
            continue;  // the menu bar's overflow arrow, a list's corner button
        [&] { QCOMPARE(AccessibleName(b), QString(b->text()).remove('&')); }();
        controls << b;
    }
    for (auto* w : controls) {
        if (IsPartOfAControl(w))
            continue;
        const QString name = AccessibleName(w);
        [&] {
            QVERIFY2(!name.isEmpty(), qPrintable(w->metaObject()->className()));
            QVERIFY2(w->focusPolicy() & Qt::TabFocus, qPrintable(name));
        }();
        names << name;
    }
    return names;
}
