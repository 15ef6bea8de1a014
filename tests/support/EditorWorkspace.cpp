#include "EditorWorkspace.h"
#include "DictionaryRows.h"

#include "dictionary/Layouts.h"
#include "shell/Startup.h"
#include "ui/Colors.h"

#include <QLineEdit>
#include <QTest>
#include <QTimer>

using namespace engine;

namespace {

void openDictionaryTable(TTable& table, const std::filesystem::path& dir, const char* name) {
    table.SetDatabaseName(dir.string());
    table.SetTableName(name);
    table.Open();
}

} // namespace

void EditorWorkspace::SetUp() {
    QApplication::setApplicationName(ApplicationTitle);
    workspace.emplace();
    root = workspace->root.path();
    system = workspace->system;
    tables = workspace->tables;
    config = workspace->config;
    dictionary::createDictionary(system);
    createProgram();
}

void EditorWorkspace::TearDown() {
    destroyProgram();
    workspace.reset();
}

void EditorWorkspace::addApplication(const std::string& code, const std::string& name) {
    support::addRow(system, support::ApplicationRow{code, name, false, std::nullopt});
}

void EditorWorkspace::addBaseTable(const std::string& name, const std::string& description,
                                   const std::string& application, Date date) {
    support::BaseRow row = support::tableRow(name, description, application);
    row.date = date;
    support::addRow(system, row);
}

void EditorWorkspace::addField(const std::string& table, int number, const std::string& name,
                               const std::string& description, const std::string& type, int size) {
    support::BaseRow row = support::fieldRow(table, number, name, description, type, size);
    row.date = OldDate;
    support::addRow(system, row);
}

void EditorWorkspace::addIndex(const std::string& table, const std::string& name,
                               const std::string& expression, int keys) {
    support::BaseRow row = support::tagRow(table, name, expression, keys);
    row.date = OldDate;
    support::addRow(system, row);
}

std::vector<EditorWorkspace::Row> EditorWorkspace::rows(const std::string& kind,
                                                        const std::string& table) const {
    TTable base;
    base.SetIndexName("BASE02");
    openDictionaryTable(base, system, "T_BASE");
    std::vector<Row> found;
    for (base.First(); !base.Eof(); base.Next()) {
        Row row{base.FieldByName("TMTIPO").AsString(),
                base.FieldByName("TMNPFM").AsString(),
                base.FieldByName("TMNFLD").AsString(),
                base.FieldByName("TMDESC").AsString(),
                base.FieldByName("TMTFLD").AsString(),
                base.FieldByName("TMDCND").AsString(),
                base.FieldByName("TMSUFF").AsString(),
                static_cast<int>(base.FieldByName("TMNRIG").AsInteger()),
                static_cast<int>(base.FieldByName("TMSIZE").AsInteger()),
                base.FieldByName("TMDATA").AsDateTime()};
        if (row.kind == kind && (table.empty() || row.table == table))
            found.push_back(row);
    }
    return found;
}

EditorWorkspace::Row EditorWorkspace::baseRow(const std::string& table) const {
    auto found = rows("A", table);
    EXPECT_EQ(found.size(), 1u) << table;
    return found.empty() ? Row{} : found.front();
}

std::vector<std::string> EditorWorkspace::applicationCodes() const {
    TTable prod;
    prod.SetIndexName("PROD00");
    openDictionaryTable(prod, system, "T_PROD");
    std::vector<std::string> codes;
    for (; !prod.Eof(); prod.Next())
        codes.push_back(prod.FieldByName("TMSUFF").AsString());
    return codes;
}

void EditorWorkspace::open(QDialog& window) {
    window.show();
    window.activateWindow();
    QApplication::processEvents();
}

void EditorWorkspace::click(QWidget& window, const char* button) {
    if (auto* found = control<QAbstractButton>(window, button))
        found->click();
}

void EditorWorkspace::type(QWidget& window, const char* edit, const QString& text) {
    auto* box = control<QLineEdit>(window, edit);
    if (!box)
        return;
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Delete);
    else
        QTest::keyClicks(box, text);
}

bool EditorWorkspace::enabled(QWidget& window, const char* name) {
    auto* found = control<QWidget>(window, name);
    return found && found->isEnabled();
}

QString EditorWorkspace::text(QWidget& window, const char* name) {
    auto* found = control<QWidget>(window, name);
    if (auto* edit = qobject_cast<QLineEdit*>(found))
        return edit->text();
    return found ? found->property("text").toString() : QString();
}

QString EditorWorkspace::focused(QWidget& window) {
    QWidget* focus = window.focusWidget();
    return focus ? focus->objectName() : QString();
}

bool EditorWorkspace::windowColoured(QWidget& window, const char* name) {
    auto* found = control<QWidget>(window, name);
    return found && ui::boxColor(*found) == ui::colorOf(ui::BoxColor::Window);
}

QString EditorWorkspace::whileModal(const std::function<void()>& action,
                                    const std::function<void(QWidget&)>& inside) {
    QString seen;
    int tries = 0;
    QWidget* below = QApplication::activeModalWidget();
    std::function<void()> close = [&] {
        QWidget* modal = QApplication::activeModalWidget();
        // The hourglass: a run that waits for its window to be on the screen.
        if (!modal || modal == below || QApplication::overrideCursor()) {
            if (++tries < 200)
                QTimer::singleShot(5, close);
            return;
        }
        seen = modal->objectName();
        if (inside)
            inside(*modal);
        modal->close();
    };
    QTimer::singleShot(0, close);
    action();
    return seen;
}

QString EditorWorkspace::lastBox() const {
    QStringList texts = boxes.texts();
    return texts.isEmpty() ? QString() : texts.back();
}
