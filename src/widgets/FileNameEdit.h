#pragma once

#include <QWidget>
#include <functional>

class QLineEdit;
class QMimeData;
class QToolButton;

namespace karvo {

// An edit box for a file name (at most 255 characters) with a browse button that opens the
// system's "open file" dialog. A file dropped onto the control replaces the text with its local
// path. The dialog is a replaceable function so that tests can answer it.
class FileNameEdit : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged USER true)

public:
    static constexpr int kMaxLength = 255;

    // Asked for a file name: the parent for the dialog and the current text. An empty result
    // means the user cancelled.
    using OpenDialog = std::function<QString(QWidget* parent, const QString& current)>;

    explicit FileNameEdit(QWidget* parent = nullptr);
    ~FileNameEdit() override;

    QString text() const;
    void setText(const QString& text);

    QLineEdit* lineEdit() const { return edit_; }
    QToolButton* browseButton() const { return browse_; }

    void setOpenDialog(OpenDialog dialog);

    // The dialog used unless one is set: QFileDialog::getOpenFileName starting at the current
    // file's folder.
    static QString systemOpenDialog(QWidget* parent, const QString& current);

signals:
    void textChanged(const QString& text);
    // A name chosen in the dialog or dropped onto the control.
    void fileSelected(const QString& path);

public slots:
    void browse();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    static QString droppedFile(const QMimeData* data);

    QLineEdit* edit_ = nullptr;
    QToolButton* browse_ = nullptr;
    OpenDialog openDialog_;
};

}  // namespace karvo
