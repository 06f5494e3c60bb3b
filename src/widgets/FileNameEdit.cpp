#include "FileNameEdit.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QToolButton>
#include <QUrl>

namespace karvo {

FileNameEdit::FileNameEdit(QWidget* parent) : QWidget(parent), openDialog_(&systemOpenDialog) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("fileNameText"));
    edit_->setMaxLength(kMaxLength);
    // Drops go to this widget, which takes the file's path instead of inserting the URL text.
    edit_->setAcceptDrops(false);
    layout->addWidget(edit_, 1);

    browse_ = new QToolButton(this);
    browse_->setObjectName(QStringLiteral("browseButton"));
    browse_->setText(QStringLiteral("..."));
    browse_->setToolTip(tr("Browse"));
    browse_->setFocusPolicy(Qt::TabFocus);
    layout->addWidget(browse_);

    setFocusProxy(edit_);
    setAcceptDrops(true);

    connect(edit_, &QLineEdit::textChanged, this, &FileNameEdit::textChanged);
    connect(browse_, &QToolButton::clicked, this, &FileNameEdit::browse);
}

FileNameEdit::~FileNameEdit() = default;

QString FileNameEdit::text() const {
    return edit_->text();
}

void FileNameEdit::setText(const QString& text) {
    edit_->setText(text);  // QLineEdit cuts it to kMaxLength
}

void FileNameEdit::setOpenDialog(OpenDialog dialog) {
    openDialog_ = dialog ? std::move(dialog) : OpenDialog(&systemOpenDialog);
}

QString FileNameEdit::systemOpenDialog(QWidget* parent, const QString& current) {
    const QString folder = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
    // Qt's dialog has no read-only box to hide, and no option is passed that would add one.
    return QFileDialog::getOpenFileName(parent, QString(), folder);
}

void FileNameEdit::browse() {
    const QString chosen = openDialog_(this, text());
    if (chosen.isEmpty())
        return;
    setText(chosen);
    emit fileSelected(text());
}

QString FileNameEdit::droppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            return url.toLocalFile();
    }
    return {};
}

void FileNameEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void FileNameEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void FileNameEdit::dropEvent(QDropEvent* event) {
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    setText(path);
    event->acceptProposedAction();
    emit fileSelected(text());
}

}  // namespace karvo
