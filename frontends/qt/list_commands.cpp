// The commands on the whole list: saving it to a file, and the cards the search used.
#include "quenlo_dlg.h"

#include "app_message_box.h"
#include "resource.h"
#include "text_format.h"
#include "text_view.h"

#include <QFileDialog>
#include <QSaveFile>

#include <optional>
#include <vector>

void CQuenloDlg::OnNetworkCards()
{
    ShowTextView(this, LoadResourceString(IDS_CARDS_TITLE),
                 QString::fromStdU16String(presenter_.CardsText()));
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
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly)
                         && file.write(text.data(), static_cast<qint64>(text.size()))
                                == static_cast<qint64>(text.size())
                         && file.commit();
    if (!written) {
        AppMessageBox(this,
                      QString::fromStdU16String(FormatText(
                          LoadResourceString(IDS_SAVE_FAILED).toStdU16String(),
                          {path.toStdU16String(), file.errorString().toStdU16String()})),
                      QMessageBox::Warning);
    }
}
