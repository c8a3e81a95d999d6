// The commands on the whole list: saving it to a file, the cards the search used, and the
// address plan it is checked against.
#include "quenlo_dlg.h"

#include "app_message_box.h"
#include "plan_file.h"
#include "resource.h"
#include "text_format.h"
#include "text_view.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>

#include <filesystem>
#include <optional>
#include <vector>

void CQuenloDlg::OnNetworkCards()
{
    ShowTextView(this, LoadResourceString(IDS_CARDS_TITLE),
                 QString::fromStdU16String(messages_.CardsText()));
}

void CQuenloDlg::OnSaveList(bool selectedOnly)
{
    // The rows as they are when the operator asks, whatever the search adds meanwhile.
    std::optional<std::vector<int>> selected;
    if (selectedOnly)
        selected = SelectedPositions();
    const QString csv = LoadResourceString(IDS_SAVE_CSV);
    const QString json = LoadResourceString(IDS_SAVE_JSON);
    QFileDialog dialog(this, LoadResourceString(IDS_SAVE_TITLE));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({csv, json});
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, json](const QString& filter) {
        dialog.setDefaultSuffix(filter == json ? QStringLiteral("jsonl") : QStringLiteral("csv"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    SaveList(dialog.selectedFiles().constFirst(),
             dialog.selectedNameFilter() == json ? OutputFormat::Json : OutputFormat::Csv,
             std::move(selected));
}

void CQuenloDlg::SaveList(const QString& path, OutputFormat format,
                          std::optional<std::vector<int>> selected)
{
    const std::string text = presenter_.SaveText(format, std::move(selected));

    // The file is replaced only once the whole text is written: a full disk leaves the old one.
    // A text shorter than the file's buffer first reaches the disk when the buffer is flushed, and
    // commit() renames over the old file even when that flush fails: so it is flushed, and
    // checked, first.
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly)
                         && file.write(text.data(), static_cast<qint64>(text.size()))
                                == static_cast<qint64>(text.size())
                         && file.flush() && file.commit();
    if (!written) {
        AppMessageBox(this,
                      QString::fromStdU16String(FormatText(
                          LoadResourceString(IDS_SAVE_FAILED).toStdU16String(),
                          {path.toStdU16String(), file.errorString().toStdU16String()})),
                      QMessageBox::Warning);
    }
}

void CQuenloDlg::OnOpenPlan()
{
    QFileDialog dialog(this, LoadResourceString(IDS_PLAN_TITLE));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({LoadResourceString(IDS_PLAN_FILES) + u" (*.csv *.txt)"_qs,
                           LoadResourceString(IDS_ALL_FILES) + u" (*)"_qs});
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        OpenPlan(dialog.selectedFiles().constFirst());
}

void CQuenloDlg::OpenPlan(const QString& path)
{
    planLoader_.Load(std::filesystem::path(path.toStdU16String()),
                     QFileInfo(path).fileName().toStdU16String());
}

void CQuenloDlg::OnPlanLoaded()
{
    std::optional<LoadedPlan> loaded = planLoader_.Take();
    if (!loaded)
        return;
    const auto failed = [this, &loaded](const std::u16string& reason) {
        AppMessageBox(this,
                      QString::fromStdU16String(FormatText(
                          LoadResourceString(IDS_PLAN_OPEN_FAILED).toStdU16String(),
                          {loaded->name, reason})),
                      QMessageBox::Warning);
    };
    PlanReading& reading = loaded->reading;
    if (loaded->outcome == PlanFileBytes::Outcome::NotRegular) {
        failed(LoadResourceString(IDS_PLAN_NOT_REGULAR).toStdU16String());
    } else if (loaded->outcome == PlanFileBytes::Outcome::Failed) {
        failed(QString::fromLocal8Bit(loaded->error.message()).toStdU16String());
    } else if (reading.error != PlanError::None) {
        failed(messages_.PlanErrorText(reading));
    } else {
        const std::u16string skipped = messages_.PlanProblemsText(reading, loaded->name);
        Show(presenter_.OpenPlan(std::move(reading.plan), loaded->name));
        if (!skipped.empty())
            ShowTextView(this, LoadResourceString(IDS_PLAN_PROBLEMS_TITLE),
                         QString::fromStdU16String(skipped));
    }
    emit planLoaded();
}

void CQuenloDlg::OnMissingPlanned()
{
    ShowTextView(this, LoadResourceString(IDS_MISSING_TITLE),
                 QString::fromStdU16String(messages_.MissingText()));
}

void CQuenloDlg::OnTakeAllLatest()
{
    Show(presenter_.TakeAllLatest());
}
