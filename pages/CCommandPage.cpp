#include "pages/CCommandPage.h"

#include "res/TemplateBuilder.h"
#include "res/Templates.h"
#include "settings/CommandLists.h"

#include <QComboBox>
#include <span>
#include <string_view>

namespace {

constexpr int kCharTypeList = 1000;
constexpr int kCommandModeList = 1001;
constexpr int kBaudRateList = 1018;
constexpr int kPassthruList = 1019;

void fill(QComboBox* list, std::span<const std::string_view> entries)
{
    for (std::string_view entry : entries)
        list->addItem(QString::fromLatin1(entry.data(), static_cast<qsizetype>(entry.size())));
}

void select(QComboBox* list, std::int32_t index)
{
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

} // namespace

CCommandPage::CCommandPage(QWidget* parent) : QWidget(parent)
{
    TemplateBuilder::build(this, CommandPageTemplate());
    ShowSelections();

    using namespace CommandLists;
    fill(list(kCharTypeList), kCharacterTypes);
    fill(list(kCommandModeList), kCommandModes);
    fill(list(kBaudRateList), kBaudRates);
    fill(list(kPassthruList), kPassthruModes);

    // The lists show the defaults while the members stay -1 until the main window assigns them.
    list(kCharTypeList)->setCurrentIndex(kDefaultCharType);
    list(kCommandModeList)->setCurrentIndex(kDefaultCommandMode);
    list(kBaudRateList)->setCurrentIndex(kDefaultBaudRate);
    list(kPassthruList)->setCurrentIndex(kDefaultPassthru);
}

void CCommandPage::ReadSelections()
{
    m_nCharType = list(kCharTypeList)->currentIndex();
    m_nCommandMode = list(kCommandModeList)->currentIndex();
    m_nBaudRate = list(kBaudRateList)->currentIndex();
    m_nPassthru = list(kPassthruList)->currentIndex();
}

void CCommandPage::ShowSelections()
{
    select(list(kCharTypeList), m_nCharType);
    select(list(kCommandModeList), m_nCommandMode);
    select(list(kBaudRateList), m_nBaudRate);
    select(list(kPassthruList), m_nPassthru);
}

QComboBox* CCommandPage::list(int id) const
{
    return Control<QComboBox>(this, id);
}
