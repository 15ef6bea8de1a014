// The base-table editor in an Italian locale, where the C library writes and
// reads numbers with a decimal comma: field sizes and decimals must reach
// T_BASE as typed.
#include "support/EditorWorkspace.h"
#include "support/Process.h"

#include "editors/Man_Archivi.h"
#include "shell/Startup.h"
#include "ui/DbRadioGroup.h"

#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <clocale>

namespace {

// The locale QApplication takes from LC_ALL=it_IT.UTF-8, for one test.
class ItalianNumbers {
public:
    ItalianNumbers() : before_(std::setlocale(LC_ALL, nullptr)) {
        active_ = std::setlocale(LC_ALL, "it_IT.UTF-8") != nullptr;
    }
    ~ItalianNumbers() { std::setlocale(LC_ALL, before_.c_str()); }
    bool active() const { return active_; }

private:
    std::string before_;
    bool active_ = false;
};

// A Python program's output and errors, with the system's interpreter (it has dbfread).
std::string runPython(const std::string& script) {
    support::RunOptions options;
    options.errorsToOutput = true;
    return support::python(script, options).out;
}

} // namespace

class ItalianLocale : public EditorWorkspace {
protected:
    TMan_Archivi& window() { return *Man_Archivi; }
    // Types a number field row into a new insert.
    void addFieldRow(const char* name, const char* size, const char* decimals) {
        click(window(), "BtnInsert1");
        control<ui::DbRadioGroup>(window(), "EditTDTFLD")->item(1)->click(); // "Number"
        EditorWorkspace::type(window(), "EditTDNFLD", name);
        EditorWorkspace::type(window(), "EditTDDESC", name);
        EditorWorkspace::type(window(), "EditTDSIZE", size);
        EditorWorkspace::type(window(), "EdutTDDECS", decimals);
    }
};

TEST_F(ItalianLocale, FieldSizesAndDecimalsAreStoredAsTyped) {
    ItalianNumbers italian;
    ASSERT_TRUE(italian.active()) << "tools/setup generates the locale it_IT.UTF-8";
    addBaseTable("ORDERS", "Orders");
    open(window());
    QTabBar* bar = control<QTabWidget>(window(), "Tab_Distinta")->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());

    addFieldRow("AMOUNT", "12", "2");
    addFieldRow("QTY", "20", "0");
    addFieldRow("RATE", "8", "5");
    click(window(), "BtnInsert1"); // stores RATE and starts another row
    click(window(), "BtnCancel1");
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();

    // dbfread reads the records as stored: sizes and decimals as plain digits.
    std::string table = (system / "T_BASE.DBF").string();
    std::string seen =
        runPython("import dbfread\n"
                  "for r in dbfread.DBF(\"" +
                  table +
                  "\", raw=True):\n"
                  "    if r[\"TMNPFM\"].strip() == b\"ORDERS\" and r[\"TMTIPO\"] == b\"B\":\n"
                  "        print(r[\"TMNFLD\"].decode().strip(), "
                  "r[\"TMSIZE\"].decode(), r[\"TMDECS\"].decode())\n");
    EXPECT_EQ(seen, "AMOUNT   12    2\nQTY   20    0\nRATE    8    5\n");
}
