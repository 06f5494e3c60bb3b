#include "WheelMotionModel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "FirmwareRecords.h"

namespace karvo {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kFullScale = 10000.0;  // force and gain full scale on the wire
constexpr double kMaxStep = 0.001;      // integration step, seconds
constexpr double kMaxAdvance = 0.25;    // a longer pause is not simulated in full
constexpr double kForceNoise = 15.0;    // force sensor noise, in force units
constexpr double kTrackingHz = 3.0;     // how firmly the driver's hands hold the wheel
constexpr double kEndStopRange = 5.0;   // degrees past the lock at which the stop force is full

double gain(quint16 value) {
    return value / kFullScale;
}

double clampForce(double force) {
    return std::clamp(force, -kFullScale, kFullScale);
}

// -1 to 1 over one period.
double triangleWave(double phase) {
    const double f = phase - std::floor(phase);
    return f < 0.5 ? 4.0 * f - 1.0 : 3.0 - 4.0 * f;
}
double sawWave(double phase) {
    return 2.0 * (phase - std::floor(phase)) - 1.0;
}

// True for part of a slow cycle, so effects come and go like a game's events.
bool burst(double time, double periodSeconds, double threshold) {
    return std::sin(kTwoPi * time / periodSeconds) > threshold;
}

qint32 toInt32(double value) {
    constexpr double lo = std::numeric_limits<qint32>::min();
    constexpr double hi = std::numeric_limits<qint32>::max();
    if (std::isnan(value))
        return 0;
    return static_cast<qint32>(std::llround(std::clamp(value, lo, hi)));
}

qint32 toInt32(qint64 value) {
    return static_cast<qint32>(std::clamp<qint64>(value, std::numeric_limits<qint32>::min(),
                                                  std::numeric_limits<qint32>::max()));
}

qint64 floorDiv(qint64 a, qint64 b) {
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// A fraction 0..1 placed in an axis range; reversed ranges are honoured as given.
qint32 axisValue(double fraction, qint32 minimum, qint32 maximum) {
    const double f = std::clamp(fraction, 0.0, 1.0);
    return toInt32(minimum + f * (static_cast<double>(maximum) - static_cast<double>(minimum)));
}

}  // namespace

WheelMotionModel::WheelMotionModel(quint32 seed)
    : wheelBase_(defaultWheelBaseConfig()),
      userEffect_(defaultUserEffectConfig()),
      motor_(defaultMotorConfig()),
      random_(seed) {
    updateForces();
}

void WheelMotionModel::setConfiguration(const TWheelBaseConfig& wheelBase,
                                        const TUserEffectConfig& userEffect,
                                        const TMotorConfig& motor) {
    wheelBase_ = wheelBase;
    userEffect_ = userEffect;
    motor_ = motor;
}

double WheelMotionModel::halfLockDegrees() const {
    // An angle of 0 would make every normalisation divide by zero; the base treats it as the
    // smallest angle the editor offers.
    const double lock = wheelBase_.steeringAngle > 0 ? wheelBase_.steeringAngle : 180.0;
    return lock / 2.0;
}

qint64 WheelMotionModel::countsPerRevolution() const {
    // Quadrature decoding: four counts per encoder pulse.
    return 4 * static_cast<qint64>(motor_.PPR);
}

qint64 WheelMotionModel::rawCounts(double angleDegrees) const {
    return std::llround(angleDegrees / 360.0 * static_cast<double>(countsPerRevolution()));
}

void WheelMotionModel::moveTo(double angleDegrees) {
    const qint64 cpr = countsPerRevolution();
    const qint64 from = rawCounts(angle_);
    const qint64 to = rawCounts(angleDegrees);
    if (cpr > 0 && from != to) {
        // The index mark sits at every whole revolution; count each one passed.
        const qint64 passed =
            std::abs(floorDiv(std::max(from, to), cpr) - floorDiv(std::min(from, to), cpr));
        (to > from ? zPlus_ : zMinus_) += passed;
    }
    angle_ = angleDegrees;
    maxCounts_ = std::max(maxCounts_, std::abs(to));
}

double WheelMotionModel::driverTarget() const {
    const double reach = halfLockDegrees() * (0.6 + 0.45 * std::sin(kTwoPi * time_ / 29.0));
    return reach * (std::sin(kTwoPi * time_ / 4.0) + 0.12 * std::sin(kTwoPi * time_ / 0.7));
}

void WheelMotionModel::step(double dt) {
    time_ += dt;
    const double omega = kTwoPi * kTrackingHz;
    double accel = omega * omega * (driverTarget() - angle_) - 2.0 * 0.7 * omega * velocity_;
    // The end stop pushes back beyond the lock, harder with a higher stop force.
    const double halfLock = halfLockDegrees();
    const double beyond = std::abs(angle_) - halfLock;
    if (beyond > 0) {
        const double stiffness = 4.0 * omega * omega * (0.5 + 4.0 * gain(wheelBase_.stopForce));
        accel -= std::copysign(stiffness * beyond, angle_);
    }
    acceleration_ = accel;
    velocity_ += accel * dt;
    moveTo(angle_ + velocity_ * dt);
}

void WheelMotionModel::advance(double seconds) {
    double remaining = std::clamp(seconds, 0.0, kMaxAdvance);
    while (remaining > 0) {
        const double dt = std::min(remaining, kMaxStep);
        step(dt);
        remaining -= dt;
    }
    updateForces();
}

void WheelMotionModel::updateForces() {
    const double halfLock = halfLockDegrees();
    const double t = time_;
    const double position = std::clamp(angle_ / halfLock, -1.5, 1.5);
    const double speed = std::clamp(velocity_ / (2.0 * halfLock), -2.0, 2.0);
    const double accel = std::clamp(acceleration_ / (20.0 * halfLock), -2.0, 2.0);
    const double slip = std::tanh(velocity_ / 5.0);
    const auto noisy = [this](double force) { return force + kForceNoise * noise_(random_); };
    const TWheelBaseConfig& wb = wheelBase_;

    // Game effects, each scaled by its gain.
    TFFBReport f;
    f.constantForce =
        static_cast<float>(noisy(2500.0 * std::sin(kTwoPi * t / 7.0)) * gain(wb.constantGain));
    f.rampForce = static_cast<float>(1500.0 * sawWave(t / 3.0) * gain(wb.rampGain));
    f.springForce = static_cast<float>(noisy(-4000.0 * position) * gain(wb.springGain));
    f.damperForce = static_cast<float>(noisy(-1500.0 * speed) * gain(wb.damperGain));
    f.inertiaForce = static_cast<float>(-800.0 * accel * gain(wb.inertiaGain));
    f.frictionForce = static_cast<float>(-600.0 * slip * gain(wb.frictionGain));
    f.squareForce = static_cast<float>(
        burst(t, 5.0, 0.8)
            ? 700.0 * (std::sin(kTwoPi * 12.0 * t) >= 0 ? 1.0 : -1.0) * gain(wb.squareGain)
            : 0.0);
    f.triangleForce = static_cast<float>(
        burst(t, 11.0, 0.0) ? 400.0 * triangleWave(3.0 * t) * gain(wb.triangleGain) : 0.0);
    f.sineForce = static_cast<float>(
        burst(t, 13.0, 0.3) ? 600.0 * std::sin(kTwoPi * 8.0 * t) * gain(wb.sineGain) : 0.0);
    f.sawUpForce = static_cast<float>(
        burst(t, 17.0, 0.5) ? 500.0 * sawWave(2.0 * t) * gain(wb.sawtoothUpGain) : 0.0);
    f.sawDownForce = static_cast<float>(std::sin(kTwoPi * t / 19.0) < -0.5
                                            ? -500.0 * sawWave(2.5 * t) * gain(wb.sawtoothDownGain)
                                            : 0.0);
    const double gameSum = f.constantForce + f.rampForce + f.springForce + f.damperForce +
                           f.inertiaForce + f.frictionForce + f.squareForce + f.triangleForce +
                           f.sineForce + f.sawUpForce + f.sawDownForce;
    double total = gameSum * gain(wb.totalForceGain);
    // The minimum force lifts every non-zero force above the motor's dead band.
    if (std::abs(total) >= 1.0 && wb.minForce > 0)
        total = std::copysign(wb.minForce + std::abs(total) * (1.0 - gain(wb.minForce)), total);
    // The overall filter smooths the force the motor gets.
    const double smoothing = 1.0 / (1.0 + wb.overAllFilter / 500.0);
    filteredTotal_ += (clampForce(total) - filteredTotal_) * smoothing;
    f.totalForce = static_cast<float>(clampForce(filteredTotal_));
    forces_ = f;

    // The base's own user effects, shaped by offset, coefficient, gain and saturation.
    const TUserEffectConfig& ue = userEffect_;
    double user = 0;
    if (ue.enableDamper)
        user -= 0.2 * speed * ue.damperForce * gain(ue.damperGain);
    if (ue.enableFriction)
        user -= 0.05 * slip * ue.frictionForce * gain(ue.frictionGain);
    if (ue.enableInertia)
        user -= 0.1 * accel * ue.inertiaForce * gain(ue.inertiaGain);
    if (ue.enableSpring)
        user -= 0.2 * position * ue.springForce * gain(ue.springGain);
    user = (user * gain(ue.eCoefficent) + (user != 0 ? std::copysign(ue.eOffset, user) : 0.0)) *
           gain(ue.eGain);
    user =
        std::clamp(user, -static_cast<double>(ue.eSaturation), static_cast<double>(ue.eSaturation));

    const double beyond = std::abs(angle_) - halfLock;
    const double stop =
        beyond > 0 ? -std::copysign(std::min(1.0, beyond / kEndStopRange) * wb.stopForce, angle_)
                   : 0.0;

    TCalculatedParams p;
    p.totalForce = static_cast<float>(clampForce(f.totalForce + user + stop));
    p.stopForce = static_cast<float>(stop);
    p.totalForceGain = static_cast<float>(wb.totalForceGain / 100.0);  // in percent
    p.userForce = static_cast<float>(user);
    params_ = p;
}

void WheelMotionModel::centre() {
    angle_ = 0;
    velocity_ = 0;
    acceleration_ = 0;
    time_ = 0;  // the driver starts again from the middle
    maxCounts_ = 0;
    zPlus_ = 0;
    zMinus_ = 0;
    updateForces();
}

void WheelMotionModel::calibrate() {
    const double halfLock = halfLockDegrees();
    velocity_ = 0;
    acceleration_ = 0;
    moveTo(halfLock);
    moveTo(-halfLock);
    moveTo(0);
    maxCounts_ = std::abs(rawCounts(halfLock));
    time_ = 0;
    updateForces();
}

void WheelMotionModel::setPosition(qint32 counts) {
    const qint64 cpr = countsPerRevolution();
    const double raw = motor_.reverseEncoder ? -static_cast<double>(counts) : counts;
    velocity_ = 0;
    acceleration_ = 0;
    moveTo(cpr > 0 ? raw / static_cast<double>(cpr) * 360.0 : 0.0);
    updateForces();
}

qint32 WheelMotionModel::position() const {
    const qint64 raw = rawCounts(angle_);
    return toInt32(motor_.reverseEncoder ? -raw : raw);
}

TEncoderStats WheelMotionModel::encoderStats() const {
    const double countsPerSecond = velocity_ / 360.0 * static_cast<double>(countsPerRevolution());
    TEncoderStats s;
    s.currentPos = position();
    s.maxPos = toInt32(maxCounts_);
    s.speed = toInt32(motor_.reverseEncoder ? -countsPerSecond : countsPerSecond);
    s.zPlus = toInt32(motor_.reverseEncoder ? zMinus_ : zPlus_);
    s.zMinus = toInt32(motor_.reverseEncoder ? zPlus_ : zMinus_);
    s.ppr = toInt32(static_cast<qint64>(motor_.PPR));
    s.cpr = toInt32(countsPerRevolution());
    return s;
}

TPwmStats WheelMotionModel::pwmStats() const {
    // The compare value for the motor's duty cycle on a scale of 10000.
    const double duty = std::clamp(params_.totalForce / kFullScale, -1.0, 1.0);
    double period = 0;
    switch (motor_.pwmMode) {
        case 1:
            period = duty * 10000.0;
            break;  // H-bridge: signed duty
        case 2:
            period = std::abs(duty) * 10000.0;
            break;  // direction on its own pin
        case 3:
            period = 5000.0 + duty * 5000.0;
            break;  // 50 % is standstill
        default:
            period = 0;
            break;  // no PWM output
    }
    TPwmStats s;
    s.pwmMode = motor_.pwmMode;
    s.pwmFreq = motor_.pwmFreq;
    s.period = static_cast<qint16>(std::lround(period));
    return s;
}

TAxesReport WheelMotionModel::axes(const TJoystickConfig& ranges) const {
    const double steering = 0.5 + 0.5 * std::clamp(angle_ / halfLockDegrees(), -1.0, 1.0);
    const double pedal = std::sin(kTwoPi * time_ / 6.0);
    TAxesReport a;
    a.x = axisValue(steering, ranges.xMin, ranges.xMax);
    a.y = axisValue(1.2 * pedal, ranges.yMin, ranges.yMax);   // throttle
    a.z = axisValue(-1.2 * pedal, ranges.zMin, ranges.zMax);  // brake
    a.rx = axisValue(3.0 * std::sin(kTwoPi * time_ / 15.0) - 2.0, ranges.rxMin,
                     ranges.rxMax);  // clutch
    a.ry = axisValue(0.0, ranges.ryMin, ranges.ryMax);
    a.rz = axisValue(0.0, ranges.rzMin, ranges.rzMax);
    return a;
}

}  // namespace karvo
