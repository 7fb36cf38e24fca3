#include "pages/CCommandPage.h"
#include "res/TemplateBuilder.h"

#include <QComboBox>
#include <QTest>

class TestCommandPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void createdPageShowsDefaultsWithMembersUnset();
    void listsKeepTheirOrder_data();
    void listsKeepTheirOrder();
    void showSelectionsClearsListsForIndicesOutsideThem_data();
    void showSelectionsClearsListsForIndicesOutsideThem();
    void choiceReachesMembersOnlyThroughReadSelections();
};

void TestCommandPage::createdPageShowsDefaultsWithMembersUnset()
{
    CCommandPage page;
    QCOMPARE(Control<QComboBox>(&page, 1000)->currentText(), QStringLiteral("USA/EUROPE(Default)"));
    QCOMPARE(Control<QComboBox>(&page, 1001)->currentText(), QStringLiteral("EPSON(Default)"));
    QCOMPARE(Control<QComboBox>(&page, 1018)->currentText(), QStringLiteral("9600,n,8,1(Default)"));
    QCOMPARE(Control<QComboBox>(&page, 1019)->currentText(), QStringLiteral("None(Default)"));
    QCOMPARE(page.m_nCharType, -1);
    QCOMPARE(page.m_nCommandMode, -1);
    QCOMPARE(page.m_nBaudRate, -1);
    QCOMPARE(page.m_nPassthru, -1);
}

void TestCommandPage::listsKeepTheirOrder_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("index");
    QTest::newRow("U.K") << 1000 << "U.K" << 36 << 3;
    QTest::newRow("Polish") << 1000 << "Polish(PC852)" << 36 << 35;
    QTest::newRow("KX3310") << 1001 << "KX3310" << 10 << 0;
    QTest::newRow("LogicControl") << 1001 << "LogicControl" << 10 << 9;
    QTest::newRow("19200") << 1018 << "19200,n,8,1" << 2 << 1;
    QTest::newRow("without ESC/POS") << 1019 << "without ESC/POS Command" << 3 << 2;
}

void TestCommandPage::listsKeepTheirOrder()
{
    QFETCH(int, list);
    QFETCH(QString, entry);
    QFETCH(int, count);
    QFETCH(int, index);
    CCommandPage page;
    auto* combo = Control<QComboBox>(&page, list);
    QCOMPARE(combo->count(), count);
    QCOMPARE(combo->findText(entry), index);
    QVERIFY(!combo->isEditable());
}

void TestCommandPage::showSelectionsClearsListsForIndicesOutsideThem_data()
{
    QTest::addColumn<int>("passthru");
    QTest::addColumn<int>("shown");
    QTest::addColumn<int>("readBack");
    QTest::newRow("in range") << 2 << 2 << 2;
    QTest::newRow("one past the end") << 3 << -1 << -1;
    QTest::newRow("far past the end") << 255 << -1 << -1;
    QTest::newRow("none") << -1 << -1 << -1;
}

void TestCommandPage::showSelectionsClearsListsForIndicesOutsideThem()
{
    QFETCH(int, passthru);
    QFETCH(int, shown);
    QFETCH(int, readBack);
    CCommandPage page;
    page.m_nCharType = 4;
    page.m_nCommandMode = 1;
    page.m_nBaudRate = 0;
    page.m_nPassthru = passthru;
    page.ShowSelections();
    QCOMPARE(Control<QComboBox>(&page, 1019)->currentIndex(), shown);
    QCOMPARE(Control<QComboBox>(&page, 1000)->currentIndex(), 4);
    page.ReadSelections();
    QCOMPARE(page.m_nPassthru, readBack);
    QCOMPARE(page.m_nCharType, 4);
}

void TestCommandPage::choiceReachesMembersOnlyThroughReadSelections()
{
    CCommandPage page;
    page.m_nCharType = 0;
    page.ShowSelections();
    Control<QComboBox>(&page, 1000)->setCurrentIndex(3);
    QCOMPARE(page.m_nCharType, 0);
    page.ReadSelections();
    QCOMPARE(page.m_nCharType, 3);
}

QTEST_MAIN(TestCommandPage)
#include "test_command_page.moc"
