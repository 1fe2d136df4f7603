#include "KTKeyEquivalent.h"

#include <QKeyEvent>

#include <gtest/gtest.h>

TEST(KTKeyEquivalentTest, KeyTextAndExactModifiers)
{
    struct Case
    {
        int key;
        Qt::KeyboardModifiers held;
        QString text;
        QString equivalent;
        Qt::KeyboardModifiers asked;
        bool matches;
    };
    const Qt::KeyboardModifiers none;
    const Case cases[] = {
        {Qt::Key_T, none, "t", "t", none, true},
        {Qt::Key_T, none, "t", "s", none, false},
        // Ctrl turns the text into a control character; the key still reads "a".
        {Qt::Key_A, kCommandModifier, "\x01", "a", kCommandModifier, true},
        {Qt::Key_A, kCommandModifier, "\x01", "a", none, false},
        {Qt::Key_A, Qt::ShiftModifier | kCommandModifier, "\x01", "A", Qt::ShiftModifier | kCommandModifier,
         true},
        {Qt::Key_D, kCommandModifier | Qt::AltModifier, "", "d", kCommandModifier, false},
        {Qt::Key_P, Qt::KeypadModifier, "p", "p", none, true},
        {Qt::Key_Exclam, Qt::ShiftModifier, "!", "!", Qt::ShiftModifier, true},
        {Qt::Key_BracketLeft, kCommandModifier, "\x1b", "[", kCommandModifier, true},
        {Qt::Key_Return, none, "\r", "\r", none, true},
        {Qt::Key_Space, none, " ", " ", none, true},
        {Qt::Key_Left, Qt::KeypadModifier, "", "left", none, true},
        {Qt::Key_Shift, Qt::ShiftModifier, "", "", {}, false},
    };
    for (const Case &c : cases) {
        const QKeyEvent event(QEvent::KeyPress, c.key, c.held, c.text);
        EXPECT_EQ(equalsToKeyEquivalent(event, c.equivalent, c.asked), c.matches)
            << "key " << c.key << " read as \"" << keyEquivalent(event).toStdString() << "\"";
    }
}
