#include "dbc/ui/DbcController.h"

#include <string>
#include <string_view>
#include <vector>

#include <QDockWidget>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSettings>

#include "canconfig/MainSetting.h"
#include "common/ui/MessageBoxes.h"
#include "dbc/DbcSettings.h"
#include "dbc/ui/CSignalView.h"
#include "dbc/ui/DbcHeaders.h"
#include "plot/PlotSettings.h"
#include "plot/ui/CSignalPlotPane.h"
#include "rxlog/EventLine.h"
#include "rxlog/ui/CIdView.h"

namespace {

QString Text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// The by-identifier view names the rows of the loaded messages; with none
// loaded it keeps its columns as they are without DBC files.
void NameIdViewRows(CIdView& view, const DbcDatabase& database)
{
    if (database.Messages().empty()) {
        view.SetMessageNamer({});
        return;
    }
    view.SetMessageNamer([&database](bool extended, uint32_t id) {
        const DbcMessage* message = database.Find(extended, id);
        return message != nullptr ? message->name : std::string();
    });
}

}  // namespace

CDbcController::CDbcController(DbcSession& session, CSignalView& signalView,
                               QDockWidget& signalDock, CIdView& idView, CSignalPlotPane& plotPane,
                               MessageBoxes& boxes, QWidget& window)
    : QObject(&window),
      m_session(session),
      m_signalView(signalView),
      m_signalDock(signalDock),
      m_idView(idView),
      m_plotPane(plotPane),
      m_boxes(boxes),
      m_window(window)
{
}

bool CDbcController::Load(const QStringList& paths)
{
    std::vector<std::string> files;
    for (const QString& path : paths) {
        files.push_back(QFileInfo(path).absoluteFilePath().toStdString());
    }
    const DbcOpenResult result = m_session.Open(files);
    // The pane lets go of the replaced messages before a message box runs
    // the event loop.
    if (!result.loaded.empty()) {
        FilesChanged();
    }
    for (const DbcFileFailure& failure : result.failures) {
        m_boxes.Stop(&m_window, Text(failure.text));
    }
    for (const auto& [path, warning] : result.warnings) {
        WriteEventLine(QFileInfo(Text(path)).fileName().toStdString() + ", " +
                           std::to_string(warning.line) + "번째 줄: " + warning.text,
                       kColourGrey);
    }
    for (const std::string& path : result.loaded) {
        WriteEventLine("DBC 파일을 읽었읍니다: " + path, kColourBlack);
    }
    if (!result.replaced.empty()) {
        WriteEventLine(FormatReplacedMessages(result.replaced), kColourBlack);
    }
    if (!result.loaded.empty()) {
        m_signalDock.show();
    }
    emit CommandStatesChanged();
    return result.failures.empty();
}

void CDbcController::ChooseAndLoad()
{
    const QString folder =
        m_session.Paths().empty() ? QString() : QFileInfo(Text(m_session.Paths().back())).path();
    const QStringList paths = m_boxes.OpenFileNames(&m_window, QString::fromUtf8("DBC 파일 열기"),
                                                    folder, QString::fromUtf8("DBC 파일 (*.dbc)"));
    if (!paths.isEmpty()) {
        Load(paths);
    }
}

void CDbcController::CloseAll()
{
    m_session.CloseAll();
    FilesChanged();
    WriteEventLine("DBC 파일을 모두 닫았읍니다", kColourBlack);
}

void CDbcController::Restore()
{
    const auto profile = OpenUserProfile();
    const std::vector<std::string> paths = LoadDbcPaths(*profile);
    // The plot's signals come back once the files that define them are in.
    const auto restorePlot =
        qScopeGuard([this, &profile] { m_plotPane.ApplySettings(LoadPlotSettings(*profile)); });
    if (paths.empty()) {
        return;
    }
    // At start nobody waits at a message box: what cannot be loaded is said
    // in the event log, and the list is kept as it is until the user changes it.
    const DbcOpenResult result = m_session.Open(paths);
    for (const DbcFileFailure& failure : result.failures) {
        WriteEventLine(failure.text, kColourRed);
    }
    if (!result.replaced.empty()) {
        WriteEventLine(FormatReplacedMessages(result.replaced), kColourBlack);
    }
    m_signalView.DatabaseChanged();
    NameIdViewRows(m_idView, m_session.Database());
    emit CommandStatesChanged();
}

bool CDbcController::HasFiles() const
{
    return !m_session.Paths().empty();
}

void CDbcController::FilesChanged()
{
    m_signalView.DatabaseChanged();
    m_plotPane.DatabaseChanged();
    NameIdViewRows(m_idView, m_session.Database());
    const auto profile = OpenUserProfile();
    SaveDbcPaths(*profile, m_session.Paths());
}
