#include "app/CSetupDlg.h"
#include "pages/CCommandPage.h"
#include "res/TemplateBuilder.h"
#include "support/RecordingMessageBoxes.h"
#include "support/ScriptedFileDialogs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsInTheDocumentedState();
    void everyControlIsFoundByItsId();
    void switchingPagesKeepsTheirContents();
    void terminalPanelStaysHidden();
    void aboutBoxOpensFromTheContextMenu();
    void renderingScalesWithTheFont();

private:
    RecordingMessageBoxes m_messages;
    ScriptedFileDialogs m_files;
};

void TestMainWindow::startsInTheDocumentedState()
{
    CSetupDlg window(m_messages, m_files);
    QCOMPARE(window.windowTitle(), QStringLiteral("Lumetra1.5"));
    QCOMPARE(Control<QComboBox>(&window, 1000)->currentText(), QStringLiteral("Com1"));
    QCOMPARE(Control<QComboBox>(&window, 1000)->count(), 8);
    QCOMPARE(Control<QComboBox>(&window, 1001)->currentText(), QStringLiteral("9600,n,8,1"));
    QCOMPARE(Control<QPushButton>(&window, 1002)->text(), QStringLiteral("Open COM"));
    QVERIFY(!Control<QPushButton>(&window, 1013)->isEnabled());
    QVERIFY(!Control<QPushButton>(&window, 1006)->isEnabled());
    QVERIFY(Control<QPushButton>(&window, 1003)->isEnabled());

    auto* tabs = Control<QTabWidget>(&window, 1007);
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Command Setting"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Welcome Msg"));
    QCOMPARE(tabs->tabText(2), QStringLiteral("User Defined Character"));
    QCOMPARE(tabs->currentIndex(), 0);

    CCommandPage& page = window.commandPage();
    QCOMPARE(Control<QComboBox>(&page, 1000)->currentText(), QStringLiteral("USA/EUROPE(Default)"));
    QCOMPARE(Control<QComboBox>(&page, 1001)->currentText(), QStringLiteral("EPSON(Default)"));
    QCOMPARE(Control<QComboBox>(&page, 1018)->currentText(), QStringLiteral("9600,n,8,1(Default)"));
    QCOMPARE(Control<QComboBox>(&page, 1019)->currentText(), QStringLiteral("None(Default)"));
    QCOMPARE(page.m_nCharType, 0);
    QCOMPARE(page.m_nCommandMode, 1);
    QCOMPARE(page.m_nBaudRate, 0);
    QCOMPARE(page.m_nPassthru, 0);
    QVERIFY(m_messages.boxes().empty());
    const QList<QSize> iconSizes = window.windowIcon().availableSizes();
    QVERIFY(iconSizes.contains(QSize(16, 16)) && iconSizes.contains(QSize(32, 32)));
    QVERIFY(!window.windowIcon().pixmap(32, 32).isNull());
}

void TestMainWindow::everyControlIsFoundByItsId()
{
    CSetupDlg window(m_messages, m_files);
    for (int id : {1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1009, 1011, 1012, 1013, 1014, 1015, 1016, 1017}) {
        QWidget* control = FindControl(&window, id);
        QVERIFY2(control, qPrintable(QString::number(id)));
        QCOMPARE(control->accessibleDescription(), QString::number(id));
    }
    QCOMPARE(FindControl(&window, 1000)->accessibleName(), QStringLiteral("Com Port Select"));
}

void TestMainWindow::switchingPagesKeepsTheirContents()
{
    CSetupDlg window(m_messages, m_files);
    window.show();
    auto* tabs = Control<QTabWidget>(&window, 1007);
    auto* charType = Control<QComboBox>(&window.commandPage(), 1000);
    charType->setCurrentIndex(7);

    tabs->setCurrentIndex(1);
    QVERIFY(!window.commandPage().isVisible());
    tabs->setCurrentIndex(2);
    tabs->setCurrentIndex(0);
    QVERIFY(window.commandPage().isVisible());
    QCOMPARE(charType->currentIndex(), 7);
}

void TestMainWindow::terminalPanelStaysHidden()
{
    CSetupDlg window(m_messages, m_files);
    window.show();
    auto* tabs = Control<QTabWidget>(&window, 1007);
    for (int page = 0; page < 3; ++page)
        tabs->setCurrentIndex(page);
    for (int id : {1009, 1011, 1012, 1014, 1015, 1016, 1017})
        QVERIFY2(!FindControl(&window, id)->isVisible(), qPrintable(QString::number(id)));
}

void TestMainWindow::aboutBoxOpensFromTheContextMenu()
{
    CSetupDlg window(m_messages, m_files);
    QCOMPARE(window.contextMenuPolicy(), Qt::ActionsContextMenu);
    QAction* about = window.findChild<QAction*>(QStringLiteral("about"));
    QVERIFY(about);
    QCOMPARE(about->text(), QStringLiteral("About Lumetra(&A)..."));
    QVERIFY(window.actions().contains(about));

    QString seenTitle;
    QTimer::singleShot(0, &window, [&seenTitle] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seenTitle = box->windowTitle();
        QTest::mouseClick(Control<QPushButton>(box, 1), Qt::LeftButton);
    });
    about->trigger();
    QCOMPARE(seenTitle, QStringLiteral("About Lumetra"));
}

void TestMainWindow::renderingScalesWithTheFont()
{
    CSetupDlg small(m_messages, m_files);
    const QImage image = small.grab().toImage();
    QVERIFY(!image.isNull());
    QVERIFY(image.width() > 300 && image.height() > 200);
    int distinct = 0;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            distinct += image.pixel(x, y) != first;
    QVERIFY2(distinct > 100, "the rendered window is blank");

    const QFont original = QApplication::font();
    QFont larger = original;
    larger.setPointSize(original.pointSize() * 2);
    QApplication::setFont(larger);
    CSetupDlg big(m_messages, m_files);
    QApplication::setFont(original);
    QVERIFY(big.width() > small.width() * 3 / 2 || big.height() > small.height() * 3 / 2);
}

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
