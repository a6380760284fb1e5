#include "platform/qt_prompter.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>
#include <algorithm>

namespace kelp {

namespace {

QString fromPath(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

std::filesystem::path toPath(const QString& path) {
    return std::filesystem::path(QDir::toNativeSeparators(path).toStdString());
}

QMessageBox::StandardButton standardButton(Answer answer) {
    switch (answer) {
        case Answer::OK:
            return QMessageBox::Ok;
        case Answer::Cancel:
            return QMessageBox::Cancel;
        case Answer::Abort:
            return QMessageBox::Abort;
        case Answer::Retry:
            return QMessageBox::Retry;
        case Answer::Ignore:
            return QMessageBox::Ignore;
        case Answer::Yes:
            return QMessageBox::Yes;
        case Answer::No:
            return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon boxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::None:
            return QMessageBox::NoIcon;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Critical:
            return QMessageBox::Critical;
        case MessageIcon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// What the box's icon shows, in a word, for a screen reader.
QString iconWord(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::None:
            break;
        case MessageIcon::Information:
            return QStringLiteral("Information");
        case MessageIcon::Exclamation:
            return QStringLiteral("Warning");
        case MessageIcon::Critical:
            return QStringLiteral("Error");
        case MessageIcon::Question:
            return QStringLiteral("Question");
    }
    return QString();
}

// The folder a dialog opens in: the caller's, else the folder of the preset file, else the
// user's documents folder.
QString startFolder(const FileDialogRequest& request) {
    if (!request.startFolder.empty())
        return fromPath(request.startFolder);
    if (!request.fileName.empty() && request.fileName.has_parent_path())
        return fromPath(request.fileName.parent_path());
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

}  // namespace

QString QtPrompter::boxText(const std::string& text) {
    QString result = QString::fromStdString(text);
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return result;
}

QString QtPrompter::dialogFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString pattern = parts[i + 1].trimmed();
        if (description.contains(QLatin1Char('(')))
            filters << description;
        else
            filters << description + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    if (filters.isEmpty())
        filters << QStringLiteral("All files (*)");
    return filters.join(QStringLiteral(";;"));
}

Answer QtPrompter::messageBox(const MessageBoxRequest& box) {
    QMessageBox dialog(boxIcon(box.icon), QString::fromStdString(box.title), boxText(box.text),
                       QMessageBox::NoButton, QApplication::activeWindow());
    if (auto* icon = dialog.findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label"))) {
        icon->setAccessibleName(iconWord(box.icon));
        icon->setAccessibleDescription(iconWord(box.icon) + QStringLiteral(" icon"));
    }
    const std::vector<Answer> answers = answersFor(box.buttons);
    for (Answer answer : answers) dialog.addButton(standardButton(answer));
    dialog.setDefaultButton(standardButton(defaultAnswer(box)));
    // Closing the box without a button counts as Cancel, or as the only button of an OK box.
    const Answer escape = std::find(answers.begin(), answers.end(), Answer::Cancel) != answers.end()
                              ? Answer::Cancel
                          : answers.size() == 1 ? answers.front()
                                                : answers.back();
    dialog.setEscapeButton(standardButton(escape));
    dialog.exec();
    QAbstractButton* clicked = dialog.clickedButton();
    if (clicked == nullptr)
        return escape;
    const QMessageBox::StandardButton pressed = dialog.standardButton(clicked);
    for (Answer answer : answers)
        if (standardButton(answer) == pressed)
            return answer;
    return escape;
}

std::optional<std::string> QtPrompter::inputBox(const std::string& title, const std::string& prompt,
                                                const std::string& defaultText) {
    bool ok = false;
    const QString text = QInputDialog::getText(
        QApplication::activeWindow(), QString::fromStdString(title), boxText(prompt),
        QLineEdit::Normal, QString::fromStdString(defaultText), &ok);
    if (!ok)
        return std::nullopt;
    return text.toStdString();
}

std::optional<std::filesystem::path> QtPrompter::openFileDialog(const FileDialogRequest& request) {
    const QString chosen = QFileDialog::getOpenFileName(
        QApplication::activeWindow(), QString::fromStdString(request.title), startFolder(request),
        dialogFilter(request.filter));
    if (chosen.isEmpty())
        return std::nullopt;
    return toPath(chosen);
}

std::optional<std::filesystem::path> QtPrompter::saveFileDialog(const FileDialogRequest& request) {
    QString preset = startFolder(request);
    if (!request.fileName.empty())
        preset = QDir(preset).filePath(fromPath(request.fileName.filename()));
    // The program asks about overwriting itself, in its own words.
    const QString chosen = QFileDialog::getSaveFileName(
        QApplication::activeWindow(), QString::fromStdString(request.title), preset,
        dialogFilter(request.filter), nullptr, QFileDialog::DontConfirmOverwrite);
    if (chosen.isEmpty())
        return std::nullopt;
    return toPath(chosen);
}

void QtPrompter::beep() {
    QApplication::beep();
}

bool QtPrompter::openTextFile(const std::filesystem::path& file) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(fromPath(file)));
}

}  // namespace kelp
