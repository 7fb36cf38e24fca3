#include "controls/CDotButton.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

// A palette whose roles all differ, so that every pixel tells which role painted it.
const QColor kFace(0xC0, 0xC8, 0xD0);
const QColor kText(0x10, 0x20, 0x30);
const QColor kHighlight(0xFF, 0xFE, 0xF0);
const QColor kShadow(0x80, 0x88, 0x90);
const QColor kDarkShadow(0x40, 0x44, 0x48);
const QColor kLight(0xE0, 0xE4, 0xE8);
const QColor kBlack(0, 0, 0);
const QColor kWhite(0xFF, 0xFF, 0xFF);
constexpr int kSize = 16;

QPalette testPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Button, kFace);
    palette.setColor(QPalette::ButtonText, kText);
    palette.setColor(QPalette::Light, kHighlight);
    palette.setColor(QPalette::Dark, kShadow);
    palette.setColor(QPalette::Shadow, kDarkShadow);
    palette.setColor(QPalette::Midlight, kLight);
    return palette;
}

QColor inverted(const QColor& color)
{
    return QColor(255 - color.red(), 255 - color.green(), 255 - color.blue());
}

// A shown, active window holding the dot and a second button that can take the focus from it.
struct Host
{
    Host()
    {
        window.setPalette(testPalette());
        window.resize(80, 60);
        dot = new CDotButton(&window);
        dot->setGeometry(10, 10, kSize, kSize);
        other = new QPushButton(QStringLiteral("other"), &window);
        other->setGeometry(10, 30, 60, 20);
        window.show();
        window.activateWindow();
    }

    bool isReady() { return QTest::qWaitForWindowActive(&window); }
    QImage image() const { return dot->grab().toImage(); }
    QColor at(int x, int y) const { return image().pixelColor(x, y); }

    QWidget window;
    CDotButton* dot = nullptr;
    QPushButton* other = nullptr;
};

} // namespace

class TestDotButton : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void toggleAlternatesAndFollowsSetLit();
    void litChangesOnlyTheFaceSlots();
    void colorSlotOutsideTheSixIsRefused();
    void paintsEachState_data();
    void paintsEachState();
    void raisedEdgesMeetAtTheCornersAsDrawn();
    void flatLookShowsHoverUntilReset();
    void raisedDotIgnoresHover();
    void slotsTakeThePaletteWhenReset();
    void doubleClickGivesTwoClicks();
};

void TestDotButton::toggleAlternatesAndFollowsSetLit()
{
    CDotButton dot;
    dot.ResetDot();
    QCOMPARE(dot.ToggleLit(), true);
    QCOMPARE(dot.ToggleLit(), false);
    QCOMPARE(dot.ToggleLit(), true);

    dot.SetLit(true);
    QCOMPARE(dot.ToggleLit(), false);
    QCOMPARE(dot.color(CDotButton::FaceNormal), dot.palette().color(QPalette::Button));

    dot.SetLit(false);
    QCOMPARE(dot.ToggleLit(), true);
    QCOMPARE(dot.color(CDotButton::FaceNormal), kBlack);
}

void TestDotButton::litChangesOnlyTheFaceSlots()
{
    QWidget parent;
    parent.setPalette(testPalette());
    CDotButton dot(&parent);
    dot.SetLit(true);
    for (int slot : {CDotButton::FaceActive, CDotButton::FaceNormal, CDotButton::FaceFocused})
        QCOMPARE(dot.color(slot), kBlack);
    for (int slot : {CDotButton::TextActive, CDotButton::TextNormal, CDotButton::TextFocused})
        QCOMPARE(dot.color(slot), kText);

    dot.ResetDot();
    QVERIFY(!dot.isLit());
    QVERIFY(!dot.isFlatLook());
    for (int slot = 0; slot < CDotButton::SlotCount; ++slot)
        QCOMPARE(dot.color(slot), slot % 2 == 0 ? kFace : kText);
}

void TestDotButton::colorSlotOutsideTheSixIsRefused()
{
    CDotButton dot;
    const QColor before = dot.color(CDotButton::FaceNormal);
    QCOMPARE(dot.SetColor(6, Qt::red), 3);
    QCOMPARE(dot.SetColor(-1, Qt::red), 3);
    for (int slot = 0; slot < CDotButton::SlotCount; ++slot)
        QVERIFY(dot.color(slot) != QColor(Qt::red));
    QCOMPARE(dot.SetColor(CDotButton::FaceNormal, Qt::red), 0);
    QCOMPARE(dot.color(CDotButton::FaceNormal), QColor(Qt::red));
    QVERIFY(before != QColor(Qt::red));
}

// Pixels from the outline inwards on a raised 16 x 16 dot: (0,0), (1,1), (2,2), the centre, and
// two neighbours on the top edge of the focus rectangle, which lies 4 pixels inside a focused dot.
void TestDotButton::paintsEachState_data()
{
    QTest::addColumn<bool>("lit");
    QTest::addColumn<bool>("pressed");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<QColor>("outer");
    QTest::addColumn<QColor>("ring1");
    QTest::addColumn<QColor>("ring2");
    QTest::addColumn<QColor>("centre");
    QTest::addColumn<QColor>("focusDot");
    QTest::addColumn<QColor>("focusGap");

    QTest::newRow("unlit") << false << false << false << kHighlight << kLight << kFace << kFace << kFace
                           << kFace;
    QTest::newRow("lit") << true << false << false << kHighlight << kLight << kBlack << kBlack << kBlack
                         << kBlack;
    QTest::newRow("unlit pressed") << false << true << false << kShadow << kFace << kFace << kFace << kFace
                                   << kFace;
    QTest::newRow("lit pressed") << true << true << false << kShadow << kBlack << kBlack << kBlack << kBlack
                                 << kBlack;
    QTest::newRow("unlit focused") << false << false << true << kBlack << kHighlight << kLight << kFace
                                   << inverted(kFace) << kFace;
    QTest::newRow("lit focused") << true << false << true << kBlack << kHighlight << kLight << kBlack
                                 << kWhite << kBlack;
    QTest::newRow("unlit pressed focused")
        << false << true << true << kBlack << kShadow << kFace << kFace << inverted(kFace) << kFace;
    QTest::newRow("lit pressed focused")
        << true << true << true << kBlack << kShadow << kBlack << kBlack << kWhite << kBlack;
}

void TestDotButton::paintsEachState()
{
    QFETCH(bool, lit);
    QFETCH(bool, pressed);
    QFETCH(bool, focused);
    Host host;
    QVERIFY(host.isReady());
    host.dot->ResetDot();
    host.dot->SetLit(lit);
    (focused ? static_cast<QWidget*>(host.dot) : host.other)->setFocus();
    host.dot->setDown(pressed);
    QCOMPARE(host.dot->hasFocus(), focused);

    QTEST(host.at(0, 0), "outer");
    QTEST(host.at(1, 1), "ring1");
    QTEST(host.at(2, 2), "ring2");
    QTEST(host.at(kSize / 2, kSize / 2), "centre");
    QTEST(host.at(4, 4), "focusDot");
    QTEST(host.at(5, 4), "focusGap");
}

void TestDotButton::raisedEdgesMeetAtTheCornersAsDrawn()
{
    Host host;
    QVERIFY(host.isReady());
    host.dot->ResetDot();
    host.other->setFocus();
    const QImage image = host.image();
    const int last = kSize - 1;
    QCOMPARE(image.pixelColor(0, last - 1), kHighlight);
    QCOMPARE(image.pixelColor(last - 1, 0), kHighlight);
    QCOMPARE(image.pixelColor(last, 0), kDarkShadow);
    QCOMPARE(image.pixelColor(0, last), kDarkShadow);
    QCOMPARE(image.pixelColor(last, last), kDarkShadow);
    QCOMPARE(image.pixelColor(1, last - 1), kShadow);
    QCOMPARE(image.pixelColor(last - 1, 1), kShadow);
    QCOMPARE(image.pixelColor(last - 1, last - 1), kShadow);
    QCOMPARE(image.pixelColor(last - 2, 1), kLight);
    QCOMPARE(image.pixelColor(1, last - 2), kLight);
}

void TestDotButton::flatLookShowsHoverUntilReset()
{
    Host host;
    QVERIFY(host.isReady());
    host.dot->setFocus();
    QVERIFY(host.dot->isFlatLook());
    // Flat and focused: neither the black frame nor a focus rectangle.
    QCOMPARE(host.at(0, 0), kFace);
    QCOMPARE(host.at(4, 4), kFace);

    QTest::mouseMove(host.dot, QPoint(kSize / 2, kSize / 2));
    QTRY_VERIFY(host.dot->isHovered());
    QCOMPARE(host.at(0, 0), kHighlight);
    QCOMPARE(host.at(kSize - 1, kSize - 1), kShadow);
    QCOMPARE(host.at(1, 1), kFace);

    QTest::mouseMove(host.other);
    QTRY_VERIFY(!host.dot->isHovered());
    QCOMPARE(host.at(0, 0), kFace);
}

void TestDotButton::raisedDotIgnoresHover()
{
    Host host;
    QVERIFY(host.isReady());
    host.dot->ResetDot();
    host.other->setFocus();
    const QImage before = host.image();
    QTest::mouseMove(host.dot, QPoint(kSize / 2, kSize / 2));
    QCoreApplication::processEvents();
    QVERIFY(!host.dot->isHovered());
    QCOMPARE(host.image(), before);
}

void TestDotButton::slotsTakeThePaletteWhenReset()
{
    QWidget parent;
    parent.setPalette(testPalette());
    CDotButton dot(&parent);
    const QColor darkFace(0x20, 0x20, 0x20);
    QPalette dark = testPalette();
    dark.setColor(QPalette::Button, darkFace);
    parent.setPalette(dark);
    QCOMPARE(dot.color(CDotButton::FaceNormal), kFace);
    dot.ResetDot();
    QCOMPARE(dot.color(CDotButton::FaceNormal), darkFace);
}

void TestDotButton::doubleClickGivesTwoClicks()
{
    Host host;
    QVERIFY(host.isReady());
    host.dot->ResetDot();
    QSignalSpy clicks(host.dot, &QAbstractButton::clicked);
    QObject::connect(host.dot, &QAbstractButton::clicked, host.dot, [&host] { host.dot->ToggleLit(); });

    QWindow* window = host.window.windowHandle();
    const QPoint centre = host.dot->mapTo(&host.window, QPoint(kSize / 2, kSize / 2));
    QTest::mouseDClick(window, Qt::LeftButton, {}, centre);
    QCOMPARE(clicks.count(), 2);
    QVERIFY(!host.dot->isLit());
    QVERIFY(host.dot->hasFocus());
}

QTEST_MAIN(TestDotButton)
#include "test_dot_button.moc"
