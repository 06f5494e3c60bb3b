#include <QLabel>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include "TrackSlider.h"

using karvo::TrackSlider;

class TestTrackSlider : public QObject {
    Q_OBJECT

    static QRect handleRect(const TrackSlider& slider) {
        QStyleOptionSlider option;
        option.initFrom(&slider);
        option.orientation = slider.orientation();
        option.minimum = slider.minimum();
        option.maximum = slider.maximum();
        option.sliderPosition = slider.sliderPosition();
        option.sliderValue = slider.value();
        option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
        return slider.style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle,
                                              &slider);
    }

private slots:
    void isAPlainHorizontalTrack() {
        TrackSlider slider(180, 1080, 180);
        QCOMPARE(slider.orientation(), Qt::Horizontal);
        QCOMPARE(slider.tickPosition(), QSlider::NoTicks);
        QCOMPARE(slider.value(), 180);
        slider.setValue(5000);
        QCOMPARE(slider.value(), 1080);  // clamped into the range
    }

    void clickOnTheTrackJumpsThere_data() {
        QTest::addColumn<double>("fraction");
        QTest::newRow("near the left") << 0.2;
        QTest::newRow("middle") << 0.5;
        QTest::newRow("near the right") << 0.85;
    }
    void clickOnTheTrackJumpsThere() {
        QFETCH(double, fraction);
        TrackSlider slider(0, 1000, 0);
        slider.resize(400, 24);
        slider.show();
        QVERIFY(QTest::qWaitForWindowExposed(&slider));
        const int x = static_cast<int>(slider.width() * fraction);
        const int expected = slider.valueAtX(x);
        QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(x, slider.height() / 2));
        QCOMPARE(slider.value(), expected);
        // One click lands where it was made, not one page step towards it.
        QVERIFY(qAbs(slider.value() - static_cast<int>(1000 * fraction)) <= 25);
    }

    void clickOnTheThumbDoesNotMoveIt() {
        TrackSlider slider(0, 100, 40);
        slider.resize(300, 24);
        slider.show();
        QVERIFY(QTest::qWaitForWindowExposed(&slider));
        QTest::mouseClick(&slider, Qt::LeftButton, {}, handleRect(slider).center());
        QCOMPARE(slider.value(), 40);
    }

    void dragShowsThePositionAboveTheThumb() {
        TrackSlider slider(0, 100, 10);
        slider.resize(300, 24);
        slider.move(100, 200);
        slider.show();
        QVERIFY(QTest::qWaitForWindowExposed(&slider));
        QVERIFY(!slider.positionTip()->isVisible());

        const QPoint start = handleRect(slider).center();
        QTest::mousePress(&slider, Qt::LeftButton, {}, start);
        QTest::mouseMove(&slider, start + QPoint(60, 0));
        QVERIFY(slider.isSliderDown());
        QVERIFY(slider.value() > 10);
        QVERIFY(slider.positionTip()->isVisible());
        QCOMPARE(slider.positionTip()->text(), QString::number(slider.value()));
        const QPoint thumbTop = slider.mapToGlobal(handleRect(slider).topLeft());
        QVERIFY(slider.positionTip()->geometry().bottom() < thumbTop.y());

        QTest::mouseRelease(&slider, Qt::LeftButton, {}, start + QPoint(60, 0));
        QVERIFY(!slider.positionTip()->isVisible());
    }

    void filledIsAStyleProperty() {
        TrackSlider slider;
        QCOMPARE(slider.property("filled").toBool(), false);
        slider.setFilled(true);
        QCOMPARE(slider.property("filled").toBool(), true);
    }
};

QTEST_MAIN(TestTrackSlider)
#include "tst_trackslider.moc"
