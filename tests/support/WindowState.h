#pragma once

#include "app/CSetupDlg.h"
#include "res/TemplateBuilder.h"
#include "settings/SettingsImage.h"
#include "support/RecordingMessageBoxes.h"
#include "support/ScriptedFileDialogs.h"

#include <QByteArray>
#include <QPushButton>
#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class CDotButton;
class CUserCharPage;

// A whole settings window under test, and what it shows written out as text for comparisons.
namespace WindowState {

inline constexpr int kCharTypeList = 1000;
inline constexpr int kCommandModeList = 1001;
inline constexpr int kLoad = 1003;
inline constexpr int kSave = 1004;
inline constexpr int kSetAllDefault = 1005;
inline constexpr int kBaudRateList = 1018;
inline constexpr int kPassthruList = 1019;
inline constexpr int kAscii1 = 1020;
inline constexpr int kHex2 = 1023;
inline constexpr int kPrevButton = 1024;
inline constexpr int kNextButton = 1025;
inline constexpr int kFirstCell = 1026;
inline constexpr int kCellCount = 60;
inline constexpr int kNumberField = 1030;
inline constexpr int kCodeField = 1031;

// One window with its recorded boxes and scripted dialogs; the window goes first, as it refers to
// the other two.
struct Session
{
    RecordingMessageBoxes messages;
    ScriptedFileDialogs files;
    CSetupDlg window{messages, files};

    void click(int id) { Control<QPushButton>(&window, id)->click(); }
    void save(const QString& path)
    {
        files.answer(path);
        click(kSave);
    }
    void load(const QString& path)
    {
        files.answer(path);
        click(kLoad);
    }
};

QByteArray bytesOf(const SettingsImage& image);
bool writeFile(const QString& path, const QByteArray& bytes);

QString hexOf(const std::uint8_t* bytes, std::size_t count);
QString hexOf(const std::string& bytes);
QString hexOf(const SettingsImage& image);

CDotButton* dot(const CUserCharPage& page, int row, int column);
// Column by column from the top, '#' for a lit dot.
QString dotsOf(const CUserCharPage& page);
QString dotsOf(const std::array<std::uint8_t, 5>& columns);

// Every working value, list, cell, radio button, field and dot of the window, one line each, so
// that a failed comparison names the first one that differs. The image buffer itself is left to
// each test.
QStringList stateOf(CSetupDlg& window);

} // namespace WindowState
