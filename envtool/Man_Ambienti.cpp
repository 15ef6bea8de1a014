#include "envtool/Man_Ambienti.h"

#include "engine/base/EngineError.h"
#include "engine/config/EngineConfig.h"
#include "engine/files/FileNames.h"
#include "envtool/StringGrid.h"
#include "envtool/TextLines.h"
#include "ui/Dialogs.h"

#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include <filesystem>
#include <stdexcept>

TMan_Ambienti* Man_Ambienti = nullptr;

namespace {

constexpr int PathRows = 10;
constexpr int DescriptionCol = 1;
constexpr int PathCol = 2;

// The codes shown for the results of the two alias calls.
int deleteAliasErrorCode(std::uint16_t result) {
    switch (result) {
    case engine::code::InvalidParameter:
        return 1;
    case engine::code::AliasNotFound:
        return 2;
    default:
        return 99;
    }
}

int addAliasErrorCode(std::uint16_t result) {
    switch (result) {
    case engine::code::InvalidParameter:
        return 1;
    case engine::code::AliasExists:
        return 2;
    case engine::code::AliasNotFound:
        return 3;
    case engine::code::BadPath:
        return 4;
    default:
        return 99;
    }
}

// Runs a handler's work; what goes wrong is shown in the error box.
template <typename Work> bool reportErrors(Work work) {
    try {
        work();
        return true;
    } catch (const std::exception& error) {
        ui::dialogs().error(QString::fromUtf8(error.what()));
        return false;
    }
}

// "A:\\TABLES", "A:": a path on a drive letter.
bool isDriveText(const QString& path) {
    return path.size() >= 2 && path[1] == ':' && path[0].isLetter();
}

[[noreturn]] void refuse(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

} // namespace

TMan_Ambienti::TMan_Ambienti(QWidget* parent) : QWidget(parent) {
    createControls();
    connect(GridAmb, &StringGrid::cellSelected, this, &TMan_Ambienti::GridAmbSelectCell);
    connect(BtnConferma, &QToolButton::clicked, this, &TMan_Ambienti::BtnConfermaClick);
    connect(BtnAttiva, &QToolButton::clicked, this, &TMan_Ambienti::BtnAttivaClick);
    connect(BottoneUscita, &QPushButton::clicked, this, &QWidget::close);
    FormCreate();
}

TMan_Ambienti::~TMan_Ambienti() {
    FormDestroy();
}

bool TMan_Ambienti::event(QEvent* event) {
    // Only the first activation counts: coming back from a message box or
    // from another program does not reload the grid.
    if (event->type() == QEvent::WindowActivate && !activated_) {
        activated_ = true;
        FormActivate();
    }
    return QWidget::event(event);
}

void TMan_Ambienti::FormCreate() {
    AliasName = QStringLiteral("DBZET");
    LabAmbiente->clear();
    SelectedRow = 0;
    reportErrors([&] { LocatePathList(); });
    EngineResult = engine_.init();
}

void TMan_Ambienti::LocatePathList() {
    std::filesystem::path file = engine::findFile(engine::systemDirectory(), "TM_BASE.TXT");
    PathListFile = QString::fromStdString(file.string());
    if (!QFile::exists(PathListFile)) {
        QFile created(PathListFile);
        if (!created.open(QIODevice::WriteOnly))
            refuse("Cannot create " + PathListFile + ": " + created.errorString());
    }
}

void TMan_Ambienti::FormActivate() {
    InitGrid();
    reportErrors([&] { LoadPathList(); });
    // Lines of the engine configuration that were left out, said once.
    QStringList problems;
    for (const std::string& problem : engine_.configProblems())
        problems << QString::fromStdString(problem);
    if (!problems.isEmpty())
        ui::dialogs().error(problems.join('\n'));
    GridAmb->setFocus();
}

void TMan_Ambienti::InitGrid() {
    GridAmb->setGridSize(3, PathRows + 1, 1, 1);
    GridAmb->setColumnWidth(0, 20);
    GridAmb->setColumnWidth(DescriptionCol, 200);
    GridAmb->setColumnWidth(PathCol, 300);
    GridAmb->setDefaultRowHeight(22);
    GridAmb->setCell(0, 0, QString());
    GridAmb->setCell(DescriptionCol, 0, QStringLiteral("Description"));
    GridAmb->setCell(PathCol, 0, QStringLiteral("Path tables"));
    // The grid starts on its first free cell; that is not a selection yet.
    QSignalBlocker quiet(GridAmb);
    GridAmb->setCurrentCell(1, DescriptionCol, QItemSelectionModel::NoUpdate);
}

void TMan_Ambienti::LoadPathList() {
    QStringList lines;
    try {
        lines = readTextLines(PathListFile, PathRows);
        loadError_.clear();
    } catch (const std::exception& error) {
        loadError_ = QString::fromUtf8(error.what());
        throw;
    }
    for (int row = 1; row <= PathRows; ++row) {
        const QString& line = lines[row - 1];
        if (!line.isEmpty()) {
            qsizetype hash = line.indexOf('#');
            GridAmb->setCell(DescriptionCol, row, hash < 0 ? QString() : line.left(hash));
            GridAmb->setCell(PathCol, row, hash < 0 ? line : line.mid(hash + 1));
        }
        GridAmb->setCell(0, row, QString::asprintf("%3.0d", row));
    }
}

void TMan_Ambienti::SavePathList() {
    // The grid does not hold the list that could not be read: it stays.
    if (!loadError_.isEmpty())
        refuse(loadError_ + ". The list is kept as it is");
    QStringList lines;
    for (int row = 1; row <= PathRows; ++row) {
        QString description = GridAmb->cell(DescriptionCol, row);
        QString path = GridAmb->cell(PathCol, row);
        QString number = QString::number(row);
        if (description.isEmpty() && !path.isEmpty())
            refuse("Path description [ " + number + "], is missing");
        if (!description.isEmpty() && (path.isEmpty() || !isExistingDirectory(path)))
            refuse("Path tables [ " + number + "], is missing or not exist");
        // A "#" in the description would move the split when the line is read back.
        if (description.contains('#'))
            refuse("Path description [ " + number + "], contains #");
        lines << (description.isEmpty() || path.isEmpty() ? QString() : description + '#' + path);
    }
    writeTextLines(PathListFile, lines);
}

std::filesystem::path TMan_Ambienti::directoryOf(const QString& path) const {
    if (path.isEmpty())
        return {};
    // Only a drive text needs the engine's drive map.
    if (!isDriveText(path))
        return std::filesystem::absolute(path.toStdString());
    try {
        return engine_.resolvePath(path.toStdString());
    } catch (const engine::EngineError&) {
        return {}; // a drive that is mapped nowhere, or no engine
    }
}

bool TMan_Ambienti::isExistingDirectory(const QString& path) const {
    std::error_code ec;
    std::filesystem::path dir = directoryOf(path);
    return !dir.empty() && std::filesystem::is_directory(dir, ec);
}

void TMan_Ambienti::GridAmbSelectCell(int /*col*/, int row) {
    LabAmbiente->setText(GridAmb->cell(DescriptionCol, row));
    SelectedRow = row;
}

void TMan_Ambienti::BtnConfermaClick() {
    if (reportErrors([&] { SavePathList(); }))
        close();
}

void TMan_Ambienti::BtnAttivaClick() {
    const QString aborted = QStringLiteral("Select path tables, aborted.");
    // Nothing changes while the list that could not be read is on screen.
    if (!loadError_.isEmpty()) {
        reportErrors([&] { SavePathList(); });
        return;
    }
    if (SelectedRow < 1) {
        ui::dialogs().message(aborted);
        return;
    }
    QString path = GridAmb->cell(PathCol, SelectedRow);
    if (!path.isEmpty() && !isExistingDirectory(path) &&
        ui::dialogs().confirm("Confirm creation of new directory : [" + path + "]",
                              ui::Choice::YesCancel) == ui::Answer::Yes) {
        // One level only: the parent must exist. A failure shows in the next check.
        std::error_code ec;
        if (std::filesystem::path dir = directoryOf(path); !dir.empty())
            std::filesystem::create_directory(dir, ec);
    }
    if (!isExistingDirectory(path)) {
        ui::dialogs().message(aborted);
        return;
    }

    EngineResult = engine_.deleteAlias(AliasName.toStdString());
    Done = EngineResult == engine::code::Success;
    ErrorCode = Done ? 0 : deleteAliasErrorCode(EngineResult);
    if (!Done)
        ui::dialogs().message("Alias delete :  codice [ " + QString::number(ErrorCode) +
                              "], aborted.");

    // A relative path is stored whole, since dicttool starts in other
    // directories; a drive text stays as typed, mapped when it is used.
    std::string stored = isDriveText(path) ? path.toStdString() : directoryOf(path).string();
    EngineResult = engine_.addAlias(AliasName.toStdString(), "DBASE", "PATH:" + stored);
    Done = EngineResult == engine::code::Success;
    ErrorCode = Done ? 0 : addAliasErrorCode(EngineResult);
    if (!Done) {
        ui::dialogs().message("Alias creation : code [ " + QString::number(ErrorCode) +
                              "], aborted.");
        return;
    }
    ui::dialogs().message("Select path tables [ " + GridAmb->cell(DescriptionCol, SelectedRow) +
                          " in " + path + " ], successfull.");
    if (reportErrors([&] { SavePathList(); }))
        close();
}

void TMan_Ambienti::FormDestroy() {
    engine_.exit();
}
