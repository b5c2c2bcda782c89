#include "menus/ControlSubClass.h"
#include "menus/XPColors.h"
#include "menus/XPMenu.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

class TestXPMenu final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> m_form;

    bool Hooked(const QWidget* widget, const TXPMenu& styler) const { return styler.IsStyledByMe(widget); }
    bool Restyled(const QWidget* control, const TXPMenu& styler) const
    {
        return TControlSubClass::Of(control, &styler) != nullptr;
    }

private slots:
    void init() { m_form = std::make_unique<QWidget>(); }
    void cleanup() { m_form.reset(); }

    void testColourArithmetic()
    {
        TXPMenu styler;
        styler.RefreshPalette(32);
        QCOMPARE(styler.Lighten(QColor(10, 200, 30), 150), QColor(255, 255, 255));
        QCOMPARE(styler.Lighten(QColor(10, 200, 30), 0), QColor(10, 200, 30));
        QCOMPARE(styler.Darken(QColor(0, 0, 0), 30), QColor(0, 0, 0));
        QCOMPARE(styler.Darken(QColor(0, 0, 0), -40), QColor(40, 42, 40));
        QCOMPARE(styler.Darken(QColor(100, 100, 100), 10), QColor(90, 92, 90));
        // Halves round to the even neighbour: 127.5 -> 128, 126.5 -> 126, 15.5 -> 16, 10.5 -> 10.
        QCOMPARE(styler.Lighten(QColor(0, 2, 3), 50), QColor(128, 128, 129));
        QCOMPARE(styler.Lighten(QColor(100, 150, 255), 10), QColor(116, 160, 255));
        QCOMPARE(styler.GreyLevelColor(QColor(10, 20, 30), 5), QColor(25, 25, 25));
        QCOMPARE(styler.GreyLevelColor(QColor(250, 250, 250), 10), QColor(240, 240, 240));
        QCOMPARE(TXPColors::ColorToRGB(0x00E6F6F8), QColor(0xF8, 0xF6, 0xE6));
        QCOMPARE(TXPColors::ColorToRGB(clBtnFace), QGuiApplication::palette().color(QPalette::Button));
    }

    void testLowColourPalette()
    {
        TXPMenu styler;
        styler.RefreshPalette(8);
        const TXPPalette& system = styler.Palette();
        QVERIFY(!system.highColour);
        const QColor white(255, 255, 255);
        QCOMPARE(system.Color, white);
        QCOMPARE(system.SelectColor, white);
        QCOMPARE(system.CheckBack, white);
        QCOMPARE(system.CheckBackSelected, white);
        QCOMPARE(system.SeparatorColor, TXPColors::ColorToRGB(clBtnShadow));
        // Arithmetic snaps to the colours a palette device has.
        QCOMPARE(styler.Lighten(QColor(0, 0, 250), 2), QColor(0, 0, 255));

        styler.setUseSystemColors(false);
        styler.setSelectColor(0x00336699);
        styler.RefreshPalette(8);
        QCOMPARE(styler.Palette().SelectColor, QColor(0x99, 0x66, 0x33));
        QCOMPARE(styler.Palette().CheckBack, white);
        QCOMPARE(styler.Palette().CheckBackSelected, QColor(192, 192, 192));
        QCOMPARE(styler.Palette().PopupBorder, TXPColors::ColorToRGB(clBtnShadow));
        styler.RefreshPalette(32);
        QCOMPARE(styler.Palette().SelectColor, styler.Lighten(QColor(0x99, 0x66, 0x33), 68));
    }

    void testSystemPaletteFollowed()
    {
        TXPMenu styler;
        styler.RefreshPalette(32);
        const QPalette before = QGuiApplication::palette();
        QPalette changed = before;
        changed.setColor(QPalette::Highlight, QColor(10, 20, 30));
        QGuiApplication::setPalette(changed);
        styler.RefreshPalette(32);
        QGuiApplication::setPalette(before);
        QCOMPARE(styler.Palette().SelectBorderColor, QColor(10, 20, 30));
    }

    void testOwnFontWithSystemColours()
    {
        TXPMenu styler;
        QVERIFY(styler.UseSystemColors());
        QCOMPARE(styler.Font(), TXPMenu::LoadMenuFont());
        QFont font = styler.Font();
        font.setPixelSize(31);
        styler.setFont(font);
        styler.setFontColor(clBlack);
        styler.RefreshPalette(32);
        QCOMPARE(styler.Font(), font);
        QCOMPARE(styler.FontColor(), clBlack);
        // Switching system colours on brings the system's font and text colour back.
        styler.setUseSystemColors(false);
        styler.setUseSystemColors(true);
        QCOMPARE(styler.Font(), TXPMenu::LoadMenuFont());
        QCOMPARE(styler.FontColor(), clMenuText);
    }

    void testToolBarsAndMenus()
    {
        auto* empty = new QToolBar(m_form.get());
        auto* bar = new QToolBar(m_form.get());
        auto* menu = new QMenu(QStringLiteral("&File"), m_form.get());
        menu->addAction(QStringLiteral("&Open"));
        auto* button = new QToolButton(bar);
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        bar->addWidget(button);
        auto* popup = new QMenu(m_form.get());
        popup->addAction(QStringLiteral("Copy"));
        auto* foreign = new QMenu(m_form.get());
        foreign->addAction(QStringLiteral("Paste"));
        foreign->setStyle(QApplication::style());

        TXPMenu styler(m_form.get());
        styler.setActive(true);
        QVERIFY(!Hooked(empty, styler)); // no buttons, nothing to paint
        QVERIFY(Hooked(bar, styler) && Hooked(button, styler));
        QVERIFY(Hooked(menu, styler) && Hooked(popup, styler));
        QVERIFY(TXPMenu::IsMainMenu(menu) && !TXPMenu::IsMainMenu(popup));
        QVERIFY(!Hooked(foreign, styler)); // someone else's style stays

        // Setting Active again walks nothing: a menu unhooked meanwhile stays unhooked.
        popup->setStyle(nullptr);
        styler.setActive(true);
        QVERIFY(!Hooked(popup, styler));

        // Kinds leaving the set lose their hooks, kinds joining gain them.
        styler.setXPControls(TXPMenu::kDefaultControls & ~XPSet(xcCToolbar, xcMainMenu));
        QVERIFY(!Hooked(bar, styler) && !Hooked(button, styler) && !Hooked(menu, styler));
        QVERIFY(Hooked(popup, styler));
        styler.setXPControls(TXPMenu::kDefaultControls);
        QVERIFY(Hooked(bar, styler) && Hooked(menu, styler));

        styler.setOverrideOwnerDraw(true);
        QVERIFY(Hooked(foreign, styler));

        // With AutoDetect a bar that gains its first button is hooked once the loop runs.
        styler.setAutoDetect(true);
        empty->addAction(QStringLiteral("New"));
        QTRY_VERIFY(Hooked(empty, styler));

        styler.setActive(false);
        for (QWidget* widget : {static_cast<QWidget*>(bar), static_cast<QWidget*>(button),
                                static_cast<QWidget*>(menu), static_cast<QWidget*>(empty)})
            QVERIFY(!Hooked(widget, styler));
        QCOMPARE(bar->style(), QApplication::style());
    }

    void testAutoRaiseGivenBack()
    {
        auto* bar = new QToolBar(m_form.get());
        auto* button = new QToolButton(bar);
        bar->addWidget(button); // which raises it
        button->setAutoRaise(false);
        TXPMenu styler(m_form.get());
        styler.setActive(true);
        QVERIFY(button->autoRaise());
        styler.setActive(false);
        QVERIFY(!button->autoRaise());
    }

    void testMenusAddedToMenusDetected()
    {
        auto* menu = new QMenu(m_form.get());
        menu->addAction(QStringLiteral("Copy"));
        TXPMenu styler(m_form.get());
        styler.setAutoDetect(true);
        styler.setActive(true);
        QVERIFY(Hooked(menu, styler));
        QMenu* sub = menu->addMenu(QStringLiteral("More"));
        sub->addAction(QStringLiteral("Paste"));
        QTRY_VERIFY(Hooked(sub, styler));
    }

    void testControlRestyling()
    {
        auto* panel = new QWidget(m_form.get());
        auto* onPanel = new QCheckBox(panel);
        auto* tagged = new QCheckBox(panel);
        tagged->setProperty("Tag", kXPExcludeTag);
        auto* taggedPanel = new QWidget(m_form.get());
        taggedPanel->setProperty("Tag", kXPExcludeTag);
        auto* underTaggedPanel = new QCheckBox(taggedPanel);
        auto* onForm = new QCheckBox(m_form.get());
        auto* group = new QGroupBox(m_form.get());
        auto* panelInGroup = new QWidget(group);
        auto* inGroupPanel = new QCheckBox(panelInGroup);
        auto* inGroup = new QCheckBox(group);
        auto* combo = new QComboBox(panel);
        auto* edit = new QLineEdit(panel);

        TXPMenu styler(m_form.get());
        styler.setActive(true);
        QVERIFY(Restyled(onPanel, styler) && Restyled(inGroupPanel, styler) && Restyled(combo, styler));
        QVERIFY(!Restyled(tagged, styler) && !Restyled(underTaggedPanel, styler));
        QVERIFY(!Restyled(onForm, styler) && !Restyled(inGroup, styler));
        QVERIFY(!Restyled(edit, styler)); // edits are not among the default kinds

        // New containers and kinds join; controls already restyled keep their subclass.
        TControlSubClass* before = TControlSubClass::Of(onPanel, &styler);
        styler.setXPContainers(TXPMenu::kDefaultContainers | XPSet(xcForm));
        styler.setXPControls(TXPMenu::kDefaultControls | XPSet(xcEdit));
        QVERIFY(Restyled(onForm, styler) && Restyled(edit, styler));
        QCOMPARE(TControlSubClass::Of(onPanel, &styler), before);

        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QTRY_VERIFY(!edit->hasFrame()); // the flat frame replaces the edit's own

        // Switched off, each control lets go at its next event.
        styler.setActive(false);
        QTRY_VERIFY(!Restyled(onPanel, styler));
        QTRY_VERIFY(edit->hasFrame());
    }

    void testControlsLeavingTheSets()
    {
        auto* panel = new QWidget(m_form.get());
        auto* box = new QCheckBox(panel);
        auto* combo = new QComboBox(panel);
        auto* group = new QGroupBox(m_form.get());
        auto* inGroup = new QComboBox(group);
        TXPMenu styler(m_form.get());
        styler.setXPContainers(TXPMenu::kDefaultContainers | XPSet(xcGroupBox));
        styler.setActive(true);
        TControlSubClass* comboBefore = TControlSubClass::Of(combo, &styler);
        QVERIFY(Restyled(box, styler) && Restyled(inGroup, styler) && comboBefore);

        // A kind or a container leaving the sets lets its controls go at once; the rest stay.
        styler.setXPControls(TXPMenu::kDefaultControls & ~XPSet(xcCheckBox));
        styler.setXPContainers(TXPMenu::kDefaultContainers);
        QVERIFY(!Restyled(box, styler) && !Restyled(inGroup, styler));
        QCOMPARE(TControlSubClass::Of(combo, &styler), comboBefore);
    }

    void testStylerDestroyedWhileHooked()
    {
        auto* panel = new QWidget(m_form.get());
        auto* edit = new QLineEdit(panel);
        auto* box = new QCheckBox(panel);
        auto* styler = new TXPMenu(m_form.get());
        styler->setXPControls(TXPMenu::kDefaultControls | XPSet(xcEdit));
        styler->setActive(true);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QTRY_VERIFY(!edit->hasFrame());
        QPointer<TControlSubClass> subClass = TControlSubClass::Of(box, styler);
        QVERIFY(subClass);

        delete styler;
        QVERIFY(edit->hasFrame());
        QTRY_VERIFY(!subClass);
        // Events after the styler is gone reach nothing of it.
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::keyClick(edit, Qt::Key_Space);
        edit->repaint();
        QVERIFY(box->isChecked());
    }
};

QTEST_MAIN(TestXPMenu)
#include "tst_XPMenu.moc"
