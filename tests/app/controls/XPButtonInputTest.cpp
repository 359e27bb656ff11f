// The button driven as a person would: pointer, keyboard, focus and the form's activation.
#include "controls/MapPropertyBag.h"
#include "controls/XPButton.h"

#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace quillet;

namespace {

class XPButtonInput : public ::testing::Test {
protected:
    void SetUp() override {
        // The pointer starts away from the form, so that the first move is a real one.
        QCursor::setPos(parking);
        QApplication::processEvents();
        form.setGeometry(10, 10, 320, 120);
        first = MakeButton(QStringLiteral("&First"), 10);
        button = MakeButton(QStringLiteral("&Sync"), 110);
        last = MakeButton(QStringLiteral("&Last"), 210);
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        button->setFocus();
        ASSERT_TRUE(button->HasFocus());
        ASSERT_TRUE(button->ParentActive());
    }

    XPButton* MakeButton(const QString& caption, int x) {
        auto* b = new XPButton(&form);
        b->setGeometry(x, 20, 75, 23);
        b->SetCaption(caption);
        return b;
    }

    // Another window takes the activation away from the form.
    void ActivateElsewhere() {
        elsewhere.setGeometry(500, 400, 100, 60);
        elsewhere.show();
        elsewhere.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
        ASSERT_FALSE(form.isActiveWindow());
    }

    const QPoint parking{700, 500};
    const QPoint inside{30, 10};
    const QPoint outside{150, 10}; // over the last button, outside this one
    QWidget form;
    QWidget elsewhere;
    XPButton* first = nullptr;
    XPButton* button = nullptr;
    XPButton* last = nullptr;
};

TEST_F(XPButtonInput, PressAndReleaseInsideClicks) {
    QSignalSpy clicks(button, &XPButton::Click);
    QTest::mouseMove(button, inside);
    EXPECT_EQ(button->ButtonState(), XPButton::Hot);
    QTest::mousePress(button, Qt::LeftButton, {}, inside);
    EXPECT_EQ(button->ButtonState(), XPButton::Pressed);
    QTest::mouseRelease(button, Qt::LeftButton, {}, inside);
    EXPECT_EQ(button->ButtonState(), XPButton::Hot);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(XPButtonInput, ATapWithoutAMoveFirstClicks) {
    // A touch screen, or a pointer put there by the system, presses where it never moved.
    QSignalSpy clicks(button, &XPButton::Click);
    ASSERT_FALSE(button->MouseOver());
    QTest::mousePress(button, Qt::LeftButton, {}, inside);
    EXPECT_EQ(button->ButtonState(), XPButton::Pressed);
    QTest::mouseRelease(button, Qt::LeftButton, {}, inside);
    EXPECT_EQ(clicks.count(), 1);

    QTest::mousePress(button, Qt::LeftButton, {}, inside);
    QTest::mouseRelease(button, Qt::LeftButton, {}, outside);
    EXPECT_EQ(clicks.count(), 1) << "released elsewhere, without a move in between";
}

TEST_F(XPButtonInput, ReleasingOutsideDoesNotClickButComingBackDoes) {
    QSignalSpy clicks(button, &XPButton::Click);
    QTest::mouseMove(button, inside);
    QTest::mousePress(button, Qt::LeftButton, {}, inside);
    QTest::mouseMove(button, outside);
    EXPECT_FALSE(button->MouseOver());
    EXPECT_EQ(button->ButtonState(), XPButton::Focused);
    QTest::mouseRelease(button, Qt::LeftButton, {}, outside);
    EXPECT_EQ(clicks.count(), 0);

    QTest::mouseMove(button, inside);
    QTest::mousePress(button, Qt::LeftButton, {}, inside);
    QTest::mouseMove(button, outside);
    QTest::mouseMove(button, inside);
    EXPECT_EQ(button->ButtonState(), XPButton::Pressed) << "back inside shows the press again";
    QTest::mouseRelease(button, Qt::LeftButton, {}, inside);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(XPButtonInput, OtherButtonsDoNotClick) {
    QSignalSpy clicks(button, &XPButton::Click);
    QTest::mouseMove(button, inside);
    QTest::mouseClick(button, Qt::RightButton, {}, inside);
    QTest::mouseClick(button, Qt::MiddleButton, {}, inside);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_NE(button->ButtonState(), XPButton::Pressed);
}

TEST_F(XPButtonInput, SpaceBarClicksOnRelease) {
    QSignalSpy clicks(button, &XPButton::Click);
    QTest::keyPress(button, Qt::Key_Space);
    EXPECT_EQ(button->ButtonState(), XPButton::Pressed);
    EXPECT_EQ(clicks.count(), 0);
    QTest::keyRelease(button, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(button->ButtonState(), XPButton::Focused);
}

TEST_F(XPButtonInput, SpaceHeldThenMousePressLeavesTheClickToTheMouse) {
    QSignalSpy clicks(button, &XPButton::Click);
    QTest::mouseMove(button, inside);
    QTest::keyPress(button, Qt::Key_Space);
    QTest::mousePress(button, Qt::LeftButton, {}, inside);
    EXPECT_EQ(button->ButtonState(), XPButton::Pressed);
    QTest::keyRelease(button, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 0) << "the space bar no longer clicks while the mouse is held";
    EXPECT_EQ(button->ButtonState(), XPButton::Pressed);
    QTest::mouseRelease(button, Qt::LeftButton, {}, inside);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(XPButtonInput, EnterClicksAtOnce) {
    QSignalSpy clicks(button, &XPButton::Click);
    QTest::keyClick(button, Qt::Key_Return);
    QTest::keyClick(button, Qt::Key_Enter);
    EXPECT_EQ(clicks.count(), 2);
}

TEST_F(XPButtonInput, DeactivatingTheFormCancelsAPress) {
    QSignalSpy clicks(button, &XPButton::Click);
    QSignalSpy activation(button, &XPButton::FormActivate);
    QTest::mouseMove(button, inside);
    QTest::mousePress(button, Qt::LeftButton, {}, inside);
    ActivateElsewhere();
    EXPECT_FALSE(button->ParentActive());
    EXPECT_FALSE(button->MousePressed());
    ASSERT_GE(activation.count(), 1);
    EXPECT_EQ(activation.last().at(0).toInt(), 0);
    EXPECT_EQ(button->ButtonState(), XPButton::Normal);
    QTest::mouseRelease(button, Qt::LeftButton, {}, inside);
    EXPECT_EQ(clicks.count(), 0);

    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_TRUE(button->ParentActive());
    EXPECT_EQ(activation.last().at(0).toInt(), 1);
}

TEST_F(XPButtonInput, APressCancelledByDeactivationStaysCancelledAfterComingBack) {
    QSignalSpy clicks(button, &XPButton::Click);
    QTest::mouseMove(button, inside);
    QTest::mousePress(button, Qt::LeftButton, {}, inside);
    ActivateElsewhere();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    ASSERT_TRUE(button->ParentActive());
    QTest::mouseRelease(button, Qt::LeftButton, {}, inside);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(button->ButtonState(), XPButton::Hot);
}

TEST_F(XPButtonInput, DeactivatingTheFormCancelsTheSpaceBar) {
    QSignalSpy clicks(button, &XPButton::Click);
    QTest::keyPress(button, Qt::Key_Space);
    ActivateElsewhere();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::keyRelease(button, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 0);
}

TEST_F(XPButtonInput, LeavingRestoresTheFocusedLook) {
    QTest::mouseMove(button, inside);
    EXPECT_TRUE(button->MouseOver());
    EXPECT_EQ(button->ButtonState(), XPButton::Hot);
    // Off the form altogether: only the leave notification tells the button.
    QCursor::setPos(parking);
    QApplication::processEvents();
    EXPECT_FALSE(button->MouseOver());
    EXPECT_EQ(button->ButtonState(), XPButton::Focused);

    first->setFocus();
    QTest::mouseMove(button, inside);
    EXPECT_EQ(button->ButtonState(), XPButton::Hot);
    QCursor::setPos(parking);
    QApplication::processEvents();
    EXPECT_EQ(button->ButtonState(), XPButton::Normal) << "without focus";
}

TEST_F(XPButtonInput, MouseMoveEventCarriesPositionAndButtons) {
    QSignalSpy moves(button, &XPButton::MouseMove);
    QTest::mouseMove(button, QPoint(12, 7));
    ASSERT_GE(moves.count(), 1);
    EXPECT_EQ(moves.last().at(0).value<short>(), 0);
    EXPECT_FLOAT_EQ(moves.last().at(2).toFloat(), 12.0f);
    EXPECT_FLOAT_EQ(moves.last().at(3).toFloat(), 7.0f);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(12, 7));
    QTest::mouseMove(button, QPoint(14, 8));
    EXPECT_EQ(moves.last().at(0).value<short>(), 1) << "left button held";
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(14, 8));

    // Nothing is reported while the space bar is held.
    const auto before = moves.count();
    QTest::keyPress(button, Qt::Key_Space);
    QTest::mouseMove(button, QPoint(20, 9));
    EXPECT_EQ(moves.count(), before);
    QTest::keyRelease(button, Qt::Key_Space);
}

TEST_F(XPButtonInput, DoubleClickOfTheLeftButton) {
    QSignalSpy doubles(button, &XPButton::DblClick);
    QSignalSpy clicks(button, &XPButton::Click);
    QTest::mouseMove(button, inside);
    // As the window system delivers it: the second press arrives as the double-click.
    QTest::mousePress(button, Qt::LeftButton, {}, inside);
    QTest::mouseRelease(button, Qt::LeftButton, {}, inside);
    QTest::mouseDClick(button, Qt::LeftButton, {}, inside);
    EXPECT_EQ(button->ButtonState(), XPButton::Pressed);
    QTest::mouseRelease(button, Qt::LeftButton, {}, inside);
    EXPECT_EQ(doubles.count(), 1);
    EXPECT_EQ(clicks.count(), 1) << "the first press and release click, the second does not";

    QTest::mousePress(button, Qt::RightButton, {}, inside);
    QTest::mouseRelease(button, Qt::RightButton, {}, inside);
    QTest::mouseDClick(button, Qt::RightButton, {}, inside);
    QTest::mouseRelease(button, Qt::RightButton, {}, inside);
    EXPECT_EQ(doubles.count(), 1) << "right button";
}

TEST_F(XPButtonInput, ArrowKeysMoveFocusLikeTab) {
    QTest::keyClick(button, Qt::Key_Right);
    EXPECT_TRUE(last->hasFocus());
    QTest::keyClick(last, Qt::Key_Left);
    EXPECT_TRUE(button->hasFocus());
    QTest::keyClick(button, Qt::Key_Up);
    EXPECT_TRUE(first->hasFocus());
    QTest::keyClick(first, Qt::Key_Down);
    EXPECT_TRUE(button->hasFocus());
    EXPECT_EQ(button->ButtonState(), XPButton::Focused);
    EXPECT_EQ(first->ButtonState(), XPButton::Normal);
}

TEST_F(XPButtonInput, AccessKeyClicks) {
    QSignalSpy clicks(button, &XPButton::Click);
    QSignalSpy others(first, &XPButton::Click);
    first->setFocus();
    QTest::keyClick(&form, Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(others.count(), 0);

    // A new caption moves the key.
    button->SetCaption(QStringLiteral("Sa&ve"));
    QTest::keyClick(&form, Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1);
    QTest::keyClick(&form, Qt::Key_V, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 2);

    // Disabled buttons do not answer.
    button->SetEnabled(false);
    QTest::keyClick(&form, Qt::Key_V, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 2);
}

TEST_F(XPButtonInput, AccessKeyWhileSpaceIsHeldCancelsInstead) {
    QSignalSpy clicks(button, &XPButton::Click);
    QTest::keyPress(button, Qt::Key_Space);
    QTest::keyClick(&form, Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(button->ButtonState(), XPButton::Focused);
    QTest::keyRelease(button, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 0) << "the press was cancelled";
}

TEST_F(XPButtonInput, DisabledButtonTakesNoInput) {
    QSignalSpy clicks(button, &XPButton::Click);
    button->SetEnabled(false);
    EXPECT_EQ(button->ButtonState(), XPButton::Disabled);
    EXPECT_FALSE(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton, {}, inside);
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(button->ButtonState(), XPButton::Disabled);
    button->SetEnabled(true);
    EXPECT_EQ(button->ButtonState(), XPButton::Normal);
}

TEST_F(XPButtonInput, FocusLossDrawsNormalOrDefault) {
    first->setFocus();
    EXPECT_EQ(button->ButtonState(), XPButton::Normal);
    button->SetDisplayAsDefault(true);
    EXPECT_EQ(button->ButtonState(), XPButton::Focused) << "the default button looks focused";
    button->setFocus();
    first->setFocus();
    EXPECT_EQ(button->ButtonState(), XPButton::Focused);
    button->SetDisplayAsDefault(false);
    EXPECT_EQ(button->ButtonState(), XPButton::Normal);
}

TEST_F(XPButtonInput, SnapMouseToPutsThePointerOnTheCentre) {
    // 75 x 23: halves 37.5 and 11.5 round to the even neighbours 38 and 12.
    button->SnapMouseTo();
    EXPECT_EQ(QCursor::pos(), button->mapToGlobal(QPoint(38, 12)));
    button->resize(73, 21);
    button->SnapMouseTo();
    EXPECT_EQ(QCursor::pos(), button->mapToGlobal(QPoint(36, 10)));
}

TEST_F(XPButtonInput, HWndIsTheNativeWindow) {
    const qint32 id = button->hWnd();
    EXPECT_NE(id, 0);
    EXPECT_EQ(id, static_cast<qint32>(button->winId()));
    EXPECT_NE(id, first->hWnd());
}

// --- Size ---------------------------------------------------------------------------

TEST_F(XPButtonInput, TooSmallBecomesTheMinimumAndSuspendsDrawing) {
    // 100 twips at 15 twips per pixel: 6.67, so 7 pixels; 50 twips is about 3.
    ASSERT_EQ(XPButton::MinimumPixels, 7);
    button->DrawState(XPButton::Focused);
    button->resize(75, 3);
    EXPECT_EQ(button->height(), 7);
    EXPECT_EQ(button->width(), 75);
    EXPECT_TRUE(button->DrawingSuspended());
    button->DrawState(XPButton::Hot);
    EXPECT_EQ(button->ButtonState(), XPButton::Focused) << "nothing drawn while suspended";

    button->SetEnabled(true);
    EXPECT_FALSE(button->DrawingSuspended());
    EXPECT_EQ(button->Surface().size(), QSize(75, 7));
    button->DrawState(XPButton::Hot);
    EXPECT_EQ(button->ButtonState(), XPButton::Hot);

    button->resize(2, 30);
    EXPECT_EQ(button->size(), QSize(7, 30));
    EXPECT_TRUE(button->DrawingSuspended());
    MapPropertyBag bag;
    button->ReadProperties(bag);
    EXPECT_FALSE(button->DrawingSuspended()) << "reading the properties resumes drawing";

    button->resize(40, 7);
    EXPECT_FALSE(button->DrawingSuspended()) << "the minimum itself is allowed";
}

// --- Properties -----------------------------------------------------------------------

TEST(XPButtonProperties, GetAccessKey) {
    EXPECT_EQ(XPButton::GetAccessKey(QStringLiteral("&Sync")), QStringLiteral("s"));
    EXPECT_EQ(XPButton::GetAccessKey(QStringLiteral("&OK")), QStringLiteral("o"));
    EXPECT_EQ(XPButton::GetAccessKey(QStringLiteral("Save && E&xit")), QStringLiteral("x"));
    EXPECT_EQ(XPButton::GetAccessKey(QStringLiteral("A&&B")), QString());
    EXPECT_EQ(XPButton::GetAccessKey(QStringLiteral("A&")), QString());
    EXPECT_EQ(XPButton::GetAccessKey(QString()), QString());
    EXPECT_EQ(XPButton::GetAccessKey(QStringLiteral("Sync")), QString());
    EXPECT_EQ(XPButton::GetAccessKey(QStringLiteral("&&Sync &Now")), QStringLiteral("n"));
    EXPECT_EQ(XPButton::GetAccessKey(QStringLiteral("Go &1")), QStringLiteral("1"));
}

TEST(XPButtonProperties, NewInstanceCaptionTakesTheFirstFreeStandardOne) {
    QWidget form;
    QWidget otherForm;
    auto place = [](QWidget* parent, const QString& name) {
        auto* b = new XPButton(parent);
        b->setObjectName(name);
        b->InitProperties();
        return b;
    };
    EXPECT_EQ(place(&form, QStringLiteral("bOk"))->Caption(), QStringLiteral("&OK"));
    EXPECT_EQ(place(&form, QStringLiteral("bCancel"))->Caption(), QStringLiteral("&Cancel"));
    // Buttons of another form do not count.
    new XPButton(&otherForm);
    EXPECT_EQ(place(&otherForm, QStringLiteral("x"))->Caption(), QStringLiteral("&OK"));
    // Buttons nested inside a frame of the form count.
    auto* frame = new QWidget(&form);
    EXPECT_EQ(place(frame, QStringLiteral("bApply"))->Caption(), QStringLiteral("&Apply"));
    EXPECT_EQ(place(&form, QStringLiteral("XPButton4"))->Caption(), QStringLiteral("XPButton4"));

    // A caption that only contains a standard one does not take it.
    QWidget third;
    auto* b = new XPButton(&third);
    b->SetCaption(QStringLiteral("&OK now"));
    EXPECT_EQ(place(&third, QStringLiteral("n"))->Caption(), QStringLiteral("&OK"));
}

TEST(XPButtonProperties, NewInstanceSetsTheOtherDefaults) {
    QWidget form;
    auto* b = new XPButton(&form);
    b->SetForeColor(0x123456);
    b->SetFocusRect(false);
    b->SetEnabled(false);
    b->InitProperties();
    EXPECT_EQ(b->ForeColor(), 0u);
    EXPECT_TRUE(b->FocusRect());
    EXPECT_TRUE(b->Enabled());
}

TEST(XPButtonProperties, DefaultsAreNotStored) {
    XPButton b;
    b.SetCaption(QStringLiteral("&OK"));
    MapPropertyBag bag;
    b.WriteProperties(bag);
    EXPECT_EQ(bag.Count(), 0);
    EXPECT_EQ(bag.WriteOrder(), (QStringList{QStringLiteral("Caption"), QStringLiteral("Enabled"),
                                             QStringLiteral("ForeColor"), QStringLiteral("Font"),
                                             QStringLiteral("FocusRect")}));
}

TEST(XPButtonProperties, ChangedValuesSurviveAWriteAndARead) {
    XPButton b;
    b.SetCaption(QStringLiteral("&Sync Now"));
    b.SetEnabled(false);
    b.SetForeColor(0x00FF8000);
    QFont f = b.Font();
    f.setBold(true);
    f.setPointSize(14);
    b.SetFont(f);
    b.SetFocusRect(false);
    MapPropertyBag bag;
    b.WriteProperties(bag);
    EXPECT_EQ(bag.Count(), 5);

    XPButton copy;
    QSignalSpy changed(&copy, &XPButton::PropertyChanged);
    copy.ReadProperties(bag);
    EXPECT_EQ(bag.ReadOrder(), (QStringList{QStringLiteral("Caption"), QStringLiteral("ForeColor"),
                                            QStringLiteral("Font"), QStringLiteral("FocusRect"),
                                            QStringLiteral("Enabled")}));
    EXPECT_EQ(copy.Caption(), QStringLiteral("&Sync Now"));
    EXPECT_FALSE(copy.Enabled());
    EXPECT_FALSE(copy.isEnabled()) << "applied to the window";
    EXPECT_EQ(copy.ForeColor(), 0x00FF8000u);
    EXPECT_TRUE(copy.Font().bold());
    EXPECT_EQ(copy.Font().pointSize(), 14);
    EXPECT_FALSE(copy.FocusRect());
    EXPECT_FALSE(copy.DrawingSuspended());
    EXPECT_EQ(copy.ButtonState(), XPButton::Disabled);
    EXPECT_GE(changed.count(), 5);
}

TEST(XPButtonProperties, ReadingAnEmptyBagGivesTheDefaults) {
    XPButton b;
    b.SetCaption(QStringLiteral("x"));
    b.SetForeColor(0xFF);
    MapPropertyBag bag;
    b.ReadProperties(bag);
    EXPECT_EQ(b.Caption(), QStringLiteral("&OK"));
    EXPECT_EQ(b.ForeColor(), 0u);
    EXPECT_TRUE(b.Enabled());
    EXPECT_TRUE(b.FocusRect());
    EXPECT_EQ(b.ButtonState(), XPButton::Normal);
}

TEST(XPButtonProperties, DrawingWaitsForTheProperties) {
    XPButton b;
    EXPECT_TRUE(b.DrawingSuspended());
    b.resize(75, 23);
    b.DrawState(XPButton::Hot);
    EXPECT_EQ(b.ButtonState(), XPButton::Disabled) << "nothing drawn before loading";
    b.ReadProperties(MapPropertyBag());
    EXPECT_EQ(b.ButtonState(), XPButton::Normal);
}

TEST(XPButtonProperties, SettersReportTheChangedProperty) {
    XPButton b;
    QSignalSpy changed(&b, &XPButton::PropertyChanged);
    b.SetCaption(QStringLiteral("a"));
    b.SetFocusRect(false);
    b.SetForeColor(1);
    b.SetEnabled(true);
    QFont f = b.Font();
    f.setItalic(true);
    b.SetFont(f);
    QStringList names;
    for (const auto& args : changed)
        names << args.at(0).toString();
    EXPECT_EQ(names, (QStringList{QStringLiteral("Caption"), QStringLiteral("FocusRect"),
                                  QStringLiteral("ForeColor"), QStringLiteral("Enabled"),
                                  QStringLiteral("Font")}));
}

TEST(XPButtonProperties, AFontGivenFromOutsideIsTaken) {
    XPButton b;
    QFont f = b.Font();
    f.setPointSize(17);
    b.setFont(f);
    EXPECT_EQ(b.Font().pointSize(), 17);
}

TEST_F(XPButtonInput, AScreenReaderSeesAPushButtonByItsCaptionAndCanPressIt) {
    QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(seen->role(), QAccessible::Button);
    EXPECT_EQ(seen->text(QAccessible::Name), QStringLiteral("Sync"));
    EXPECT_EQ(seen->text(QAccessible::Accelerator), QStringLiteral("Alt+S"));
    EXPECT_TRUE(seen->state().focusable);
    QAccessibleActionInterface* actions = seen->actionInterface();
    ASSERT_NE(actions, nullptr);
    const QString press = QAccessibleActionInterface::pressAction();
    EXPECT_TRUE(actions->actionNames().contains(press));
    QSignalSpy clicks(button, &XPButton::Click);
    actions->doAction(press);
    EXPECT_EQ(clicks.count(), 1);

    // A new caption is its new name; "&&" is an ampersand.
    button->SetCaption(QStringLiteral("Save && &Quit"));
    EXPECT_EQ(seen->text(QAccessible::Name), QStringLiteral("Save & Quit"));
    EXPECT_EQ(seen->text(QAccessible::Accelerator), QStringLiteral("Alt+Q"));

    // Disabled: said so, and it cannot be pressed.
    button->SetEnabled(false);
    EXPECT_TRUE(seen->state().disabled);
    EXPECT_FALSE(actions->actionNames().contains(press));
    actions->doAction(press);
    EXPECT_EQ(clicks.count(), 1);
}

} // namespace
