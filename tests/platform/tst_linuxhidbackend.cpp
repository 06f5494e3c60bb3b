#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QFile>
#include <QTest>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <thread>

#include "LinuxHidBackend.h"

using karvo::HidChannel;
using karvo::LinuxHidBackend;

namespace {

// A pseudo-terminal in raw mode stands in for a hidraw node: the channel opens the terminal
// side by path like a node, the test plays the device on the other side, and closing that side
// hangs the node up the way an unplug does.
class PtyPair {
public:
    PtyPair() {
        masterFd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (masterFd_ < 0 || ::grantpt(masterFd_) != 0 || ::unlockpt(masterFd_) != 0)
            return;
        termios mode{};
        if (::tcgetattr(masterFd_, &mode) != 0)
            return;
        ::cfmakeraw(&mode);
        if (::tcsetattr(masterFd_, TCSANOW, &mode) != 0)
            return;
        if (const char* name = ::ptsname(masterFd_))
            path_ = QString::fromLocal8Bit(name);
    }
    ~PtyPair() { hangUp(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool isValid() const { return masterFd_ >= 0 && !path_.isEmpty(); }
    QString nodePath() const { return path_; }

    bool send(const QByteArray& report) {
        return ::write(masterFd_, report.constData(), static_cast<size_t>(report.size())) ==
               report.size();
    }
    QByteArray receive(int capacity) {
        QByteArray buffer(capacity, '\0');
        const ssize_t got = ::read(masterFd_, buffer.data(), static_cast<size_t>(capacity));
        return got < 0 ? QByteArray() : buffer.first(got);
    }
    void hangUp() {
        if (masterFd_ >= 0)
            ::close(masterFd_);
        masterFd_ = -1;
    }

private:
    int masterFd_ = -1;
    QString path_;
};

QByteArray sampleReport(char reportId, int length) {
    QByteArray report(length, '\0');
    report[0] = reportId;
    for (int i = 1; i < length; ++i)
        report[i] = static_cast<char>(i * 7);
    return report;
}

}  // namespace

class TestLinuxHidBackend : public QObject {
    Q_OBJECT
private slots:
    void fixtureWorks();
    void openRefused_data();
    void openRefused();
    void readDeliversOneReport();
    void readTimesOutWithoutData();
    void interruptReleasesWaitingRead();
    void hangUpReadsAsGone();
    void writeSendsWholeReport();
    void writeToHungUpNodeFails();
    void parseHidId_data();
    void parseHidId();
    void pathOrder_data();
    void pathOrder();

private:
    std::unique_ptr<HidChannel> openChannel(PtyPair& pty) {
        QString error;
        auto channel = backend_.open(pty.nodePath(), &error);
        if (!channel)
            qWarning() << "open failed:" << error;
        return channel;
    }

    LinuxHidBackend backend_;
};

void TestLinuxHidBackend::fixtureWorks() {
    PtyPair pty;
    QVERIFY(pty.isValid());
    const int node = ::open(QFile::encodeName(pty.nodePath()).constData(), O_RDWR | O_CLOEXEC);
    QVERIFY(node >= 0);
    QVERIFY(pty.send("\x41\x01\x02"));
    char buffer[8] = {};
    QCOMPARE(::read(node, buffer, sizeof buffer), 3);
    QCOMPARE(QByteArray(buffer, 3), QByteArray("\x41\x01\x02"));
    QCOMPARE(::write(node, "\x14\x09", 2), 2);
    QCOMPARE(pty.receive(8), QByteArray("\x14\x09"));
    ::close(node);
}

void TestLinuxHidBackend::openRefused_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("errorNumber");
    QTest::newRow("missing node") << QStringLiteral("/dev/hidraw-that-is-not-there") << ENOENT;
    QTest::newRow("directory") << QStringLiteral("/dev") << EISDIR;
}

void TestLinuxHidBackend::openRefused() {
    QFETCH(QString, path);
    QFETCH(int, errorNumber);
    QString error;
    QVERIFY(!backend_.open(path, &error));
    QCOMPARE(error, qt_error_string(errorNumber));
}

void TestLinuxHidBackend::readDeliversOneReport() {
    PtyPair pty;
    QVERIFY(pty.isValid());
    auto channel = openChannel(pty);
    QVERIFY(channel);
    const QByteArray report = sampleReport(0x41, 64);
    QVERIFY(pty.send(report));

    std::array<quint8, 64> buffer{};
    int bytesRead = -1;
    QCOMPARE(channel->read(buffer.data(), 64, 10000, &bytesRead), HidChannel::ReadResult::Data);
    QCOMPARE(bytesRead, 64);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(buffer.data()), bytesRead), report);
}

void TestLinuxHidBackend::readTimesOutWithoutData() {
    PtyPair pty;
    QVERIFY(pty.isValid());
    auto channel = openChannel(pty);
    QVERIFY(channel);
    std::array<quint8, 64> buffer{};
    int bytesRead = -1;
    QCOMPARE(channel->read(buffer.data(), 64, 5, &bytesRead), HidChannel::ReadResult::Timeout);
    QCOMPARE(bytesRead, 0);
}

// The check-in case: a read waiting with a long slice returns as soon as it is interrupted,
// whether the interrupt comes before or during the wait.
void TestLinuxHidBackend::interruptReleasesWaitingRead() {
    PtyPair pty;
    QVERIFY(pty.isValid());
    auto channel = openChannel(pty);
    QVERIFY(channel);
    std::array<quint8, 64> buffer{};
    int bytesRead = 0;

    channel->interruptRead();
    QCOMPARE(channel->read(buffer.data(), 64, 600000, &bytesRead), HidChannel::ReadResult::Timeout);

    HidChannel::ReadResult result = HidChannel::ReadResult::Data;
    std::thread reader([&] { result = channel->read(buffer.data(), 64, 600000, &bytesRead); });
    channel->interruptRead();
    reader.join();
    QCOMPARE(result, HidChannel::ReadResult::Timeout);

    // The interrupt is used up: data sent afterwards is read normally.
    QVERIFY(pty.send(sampleReport(0x01, 29)));
    QCOMPARE(channel->read(buffer.data(), 64, 10000, &bytesRead), HidChannel::ReadResult::Data);
    QCOMPARE(bytesRead, 29);
}

void TestLinuxHidBackend::hangUpReadsAsGone() {
    PtyPair pty;
    QVERIFY(pty.isValid());
    auto channel = openChannel(pty);
    QVERIFY(channel);
    pty.hangUp();
    std::array<quint8, 64> buffer{};
    int bytesRead = 0;
    QCOMPARE(channel->read(buffer.data(), 64, 10000, &bytesRead), HidChannel::ReadResult::Gone);
}

void TestLinuxHidBackend::writeSendsWholeReport() {
    PtyPair pty;
    QVERIFY(pty.isValid());
    auto channel = openChannel(pty);
    QVERIFY(channel);
    const QByteArray report = sampleReport(0x14, 64);
    QString error;
    QVERIFY(channel->write(reinterpret_cast<const quint8*>(report.constData()), 64, &error));
    QCOMPARE(error, QString());
    QCOMPARE(pty.receive(128), report);
}

void TestLinuxHidBackend::writeToHungUpNodeFails() {
    PtyPair pty;
    QVERIFY(pty.isValid());
    auto channel = openChannel(pty);
    QVERIFY(channel);
    pty.hangUp();
    const QByteArray report = sampleReport(0x14, 64);
    QString error;
    QVERIFY(!channel->write(reinterpret_cast<const quint8*>(report.constData()), 64, &error));
    QCOMPARE(error, qt_error_string(EIO));
    QVERIFY(!channel->write(nullptr, 0, &error));
    QVERIFY(!error.isEmpty());
}

void TestLinuxHidBackend::parseHidId_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("vendor");
    QTest::addColumn<int>("product");
    QTest::newRow("usb") << "0003:00009999:00001234" << true << 0x9999 << 0x1234;
    QTest::newRow("lower case, bluetooth") << "0005:0000054c:000005c4" << true << 0x054C << 0x05C4;
    QTest::newRow("empty") << "" << false << 0 << 0;
    QTest::newRow("two fields") << "0003:00009999" << false << 0 << 0;
    QTest::newRow("four fields") << "0003:00009999:00001234:1" << false << 0 << 0;
    QTest::newRow("empty field") << "0003::00001234" << false << 0 << 0;
    QTest::newRow("not hex") << "0003:0000999G:00001234" << false << 0 << 0;
    QTest::newRow("sign") << "0003:+0009999:00001234" << false << 0 << 0;
    QTest::newRow("vendor past 16 bits") << "0003:00019999:00001234" << false << 0 << 0;
    QTest::newRow("too long") << "0003:000000009999:00001234" << false << 0 << 0;
}

void TestLinuxHidBackend::parseHidId() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, vendor);
    QFETCH(int, product);
    quint16 vendorId = 0xAAAA;
    quint16 productId = 0xBBBB;
    QCOMPARE(LinuxHidBackend::parseHidId(text, &vendorId, &productId), valid);
    if (valid) {
        QCOMPARE(vendorId, vendor);
        QCOMPARE(productId, product);
    } else {
        // A failed parse leaves the caller's values alone.
        QCOMPARE(vendorId, 0xAAAA);
        QCOMPARE(productId, 0xBBBB);
    }
}

void TestLinuxHidBackend::pathOrder_data() {
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QStringList>("sorted");
    QTest::newRow("node numbers") << QStringList{"/dev/hidraw10", "/dev/hidraw2", "/dev/hidraw0",
                                                 "/dev/hidraw1"}
                                  << QStringList{"/dev/hidraw0", "/dev/hidraw1", "/dev/hidraw2",
                                                 "/dev/hidraw10"};
    QTest::newRow("mixed stems") << QStringList{"/dev/usb/hiddev3", "/dev/hidraw9", "/dev/hidraw",
                                                "/dev/hidraw11"}
                                 << QStringList{"/dev/hidraw", "/dev/hidraw9", "/dev/hidraw11",
                                                "/dev/usb/hiddev3"};
}

void TestLinuxHidBackend::pathOrder() {
    QFETCH(QStringList, paths);
    QFETCH(QStringList, sorted);
    std::sort(paths.begin(), paths.end(), &LinuxHidBackend::pathLessThan);
    QCOMPARE(paths, sorted);
}

QTEST_GUILESS_MAIN(TestLinuxHidBackend)
#include "tst_linuxhidbackend.moc"
