#pragma once

#include <QtGlobal>
#include <random>

#include "Records.h"

namespace karvo {

// A small physics model of a wheel on the simulated base: a driver turns the wheel back and
// forth (a slow sweep with a quicker wiggle and a varying reach that now and then runs into
// the end stop), a game plays force-feedback effects in bursts, and the base adds its user
// effects and end-stop force. Everything the base streams is derived from this state.
// Not thread-safe: the firmware calls it under its own lock. Noise comes from a seeded
// generator, so a run is reproducible for a given sequence of time steps.
class WheelMotionModel {
public:
    explicit WheelMotionModel(quint32 seed = 1);

    // The configuration the base runs with; read by every later step.
    void setConfiguration(const TWheelBaseConfig& wheelBase, const TUserEffectConfig& userEffect,
                          const TMotorConfig& motor);

    // Moves the simulation on by `seconds` of real time (long pauses are cut short).
    void advance(double seconds);

    // The wheel is driven back to the middle; the encoder statistics start again.
    void centre();
    // A sweep from lock to lock and back to the middle: finds the end positions and passes
    // the encoder's index marks on the way.
    void calibrate();
    // Puts the wheel at an encoder position (as reported), standing still.
    void setPosition(qint32 counts);

    qint32 position() const;  // encoder counts as reported (reversed when so configured)

    TEncoderStats encoderStats() const;
    TPwmStats pwmStats() const;
    TCalculatedParams calculatedParams() const { return params_; }
    TFFBReport effectForces() const { return forces_; }
    TAxesReport axes(const TJoystickConfig& ranges) const;

private:
    double halfLockDegrees() const;
    qint64 countsPerRevolution() const;
    qint64 rawCounts(double angleDegrees) const;
    void moveTo(double angleDegrees);  // counts index marks and the largest excursion
    void step(double dt);
    void updateForces();
    double driverTarget() const;

    TWheelBaseConfig wheelBase_;
    TUserEffectConfig userEffect_;
    TMotorConfig motor_;

    double time_ = 0;          // seconds since the last centring or calibration
    double angle_ = 0;         // degrees, positive to the right
    double velocity_ = 0;      // degrees per second
    double acceleration_ = 0;  // degrees per second squared
    double filteredTotal_ = 0;
    qint64 maxCounts_ = 0;
    qint64 zPlus_ = 0;
    qint64 zMinus_ = 0;

    TFFBReport forces_;
    TCalculatedParams params_;
    std::mt19937 random_;
    std::normal_distribution<double> noise_{0.0, 1.0};
};

}  // namespace karvo
