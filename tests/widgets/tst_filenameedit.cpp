#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "FileNameEdit.h"

using karvo::FileNameEdit;

class TestFileNameEdit : public QObject {
    Q_OBJECT

    // Delivers a drag that enters and drops at the middle of the control; returns whether the
    // drop was accepted.
    static bool dropOn(FileNameEdit& edit, const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = edit.rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&edit, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&edit, &drop);
        return drop.isAccepted();
    }

private slots:
    void holdsAtMost255Characters() {
        FileNameEdit edit;
        edit.setText(QString(300, u'a'));
        QCOMPARE(edit.text().size(), 255);
        edit.show();
        edit.lineEdit()->end(false);
        QTest::keyClicks(edit.lineEdit(), QStringLiteral("bcd"));
        QCOMPARE(edit.text(), QString(255, u'a'));
    }

    void droppedFileBecomesTheText_data() {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("text");
        QTest::newRow("local file") << QList<QUrl>{QUrl::fromLocalFile("/tmp/logs/wheel.log")}
                                    << true << "/tmp/logs/wheel.log";
        QTest::newRow("first local of several")
            << QList<QUrl>{QUrl("https://example.invalid/x.log"),
                           QUrl::fromLocalFile("/var/tmp/a b.log")}
            << true << "/var/tmp/a b.log";
        QTest::newRow("not a local file")
            << QList<QUrl>{QUrl("https://example.invalid/x.log")} << false << "debug.log";
    }
    void droppedFileBecomesTheText() {
        QFETCH(QList<QUrl>, urls);
        QFETCH(bool, accepted);
        QFETCH(QString, text);
        FileNameEdit edit;
        edit.setText(QStringLiteral("debug.log"));
        QSignalSpy selected(&edit, &FileNameEdit::fileSelected);
        QCOMPARE(dropOn(edit, urls), accepted);
        QCOMPARE(edit.text(), text);
        QCOMPARE(selected.count(), accepted ? 1 : 0);
    }

    void longDroppedPathIsCut() {
        FileNameEdit edit;
        const QString deep = QStringLiteral("/tmp/") + QString(400, u'd') + QStringLiteral(".log");
        QVERIFY(dropOn(edit, {QUrl::fromLocalFile(deep)}));
        QCOMPARE(edit.text(), deep.left(255));
    }

    void browseAsksTheDialog_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("text");
        QTest::newRow("chosen") << "/home/me/ffb.log"
                                << "/home/me/ffb.log";
        QTest::newRow("cancelled") << ""
                                   << "debug.log";
    }
    void browseAsksTheDialog() {
        QFETCH(QString, answer);
        QFETCH(QString, text);
        FileNameEdit edit;
        edit.setText(QStringLiteral("debug.log"));
        QString askedWith;
        QWidget* askedParent = nullptr;
        edit.setOpenDialog([&](QWidget* parent, const QString& current) {
            askedParent = parent;
            askedWith = current;
            return answer;
        });
        edit.show();
        QTest::mouseClick(edit.browseButton(), Qt::LeftButton);
        QCOMPARE(askedWith, QStringLiteral("debug.log"));
        QCOMPARE(askedParent, &edit);
        QCOMPARE(edit.text(), text);
    }
};

QTEST_MAIN(TestFileNameEdit)
#include "tst_filenameedit.moc"
