// Cost of the wire formats on the report path: decoding each record, building each packet,
// and the JSON dump of each dumped record.

#include <benchmark/benchmark.h>

#include <array>
#include <cstddef>

#include "CommandPacket.h"
#include "JsonDump.h"
#include "Records.h"

using namespace karvo;

namespace {

// A response payload with every byte set, larger than any record.
std::array<quint8, 64> payloadBytes() {
    std::array<quint8, 64> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<quint8>(i * 37 + 11);
    return bytes;
}

template <auto Decode>
void BM_Decode(benchmark::State& state) {
    const std::array<quint8, 64> bytes = payloadBytes();
    for (auto _ : state) {
        auto record = Decode(ByteView(bytes.data(), bytes.size()));
        benchmark::DoNotOptimize(record);
    }
}

BENCHMARK(BM_Decode<decodeWheelBaseConfig>)->Name("decode/TWheelBaseConfig");
BENCHMARK(BM_Decode<decodeUserEffectConfig>)->Name("decode/TUserEffectConfig");
BENCHMARK(BM_Decode<decodeMotorConfig>)->Name("decode/TMotorConfig");
BENCHMARK(BM_Decode<decodeJoystickConfig>)->Name("decode/TJoystickConfig");
BENCHMARK(BM_Decode<decodeFfbReport>)->Name("decode/TFFBReport");
BENCHMARK(BM_Decode<decodeFirmwareVersion>)->Name("decode/TFirmwareVersion");
BENCHMARK(BM_Decode<decodeEncoderStats>)->Name("decode/TEncoderStats");
BENCHMARK(BM_Decode<decodePwmStats>)->Name("decode/TPwmStats");
BENCHMARK(BM_Decode<decodeCalculatedParams>)->Name("decode/TCalculatedParams");
BENCHMARK(BM_Decode<decodeAxesReport>)->Name("decode/TAxesReport");

TWheelBaseConfig wheelBase() {
    return TWheelBaseConfig{180,   1500,  0,     0,     200,   200,   200,   0.7071f,
                            0,     3000,  10000, 10000, 10000, 10000, 10000, 10000,
                            10000, 10000, 10000, 10000, 10000, false};
}

TUserEffectConfig userEffect() {
    return TUserEffectConfig{10000, 10000, 10000, 10000, 10000, 10000, 10000, 10000,
                             0,     10000, 10000, 10000, true,  true,  true,  true};
}

TMotorConfig motor() {
    return TMotorConfig{1, 0, false, true, false, 1000, 0, 1, 30, 10, 1, 1};
}

TJoystickConfig joystick() {
    return TJoystickConfig{-100000, 100000, 0, 100000, 0, 100000, 0, 100000, 0, 100000, 0, 100000};
}

TFFBReport forces() {
    return TFFBReport{0.1f,  -0.25f, 1.5f,  123.456f, -7.0f,  0.01f,
                      1e-5f, 3.0f,   0.33f, -0.66f,   99.99f, 1234.5f};
}

// Packet built and cut into a 64-byte output report, as one transmission does.
template <typename Build>
void runPacket(benchmark::State& state, Build build) {
    for (auto _ : state) {
        const std::vector<quint8> report = transmitBuffer(build(), 64);
        benchmark::DoNotOptimize(report.data());
    }
}

void BM_PacketCalibrate(benchmark::State& state) {
    runPacket(state, [] { return calibratePacket(6); });
}
void BM_PacketCentre(benchmark::State& state) {
    runPacket(state, [] { return centrePacket(6); });
}
void BM_PacketReadRequest(benchmark::State& state) {
    runPacket(state, [] { return readRequestPacket(kHardwareSlot, 2, 2, RequestId::Motor); });
}
void BM_PacketLoad(benchmark::State& state) {
    runPacket(state, [] { return loadPacket(7); });
}
void BM_PacketSave(benchmark::State& state) {
    runPacket(state, [] { return savePacket(kHardwareSlot); });
}
void BM_PacketAck(benchmark::State& state) {
    runPacket(state, [] { return ackPacket(6, RequestId::WheelBase); });
}
void BM_PacketWheelBaseWrite(benchmark::State& state) {
    const TWheelBaseConfig record = wheelBase();
    runPacket(state, [&record] { return wheelBaseWritePacket(6, record); });
}
void BM_PacketUserEffectWrite(benchmark::State& state) {
    const TUserEffectConfig record = userEffect();
    runPacket(state, [&record] { return userEffectWritePacket(6, record); });
}
void BM_PacketJoystickWrite(benchmark::State& state) {
    const TJoystickConfig record = joystick();
    runPacket(state, [&record] { return joystickWritePacket(6, record); });
}
void BM_PacketMotorWrite(benchmark::State& state) {
    const TMotorConfig record = motor();
    runPacket(state, [&record] { return motorWritePacket(6, record); });
}

BENCHMARK(BM_PacketCalibrate)->Name("packet/calibrate");
BENCHMARK(BM_PacketCentre)->Name("packet/centre");
BENCHMARK(BM_PacketReadRequest)->Name("packet/readRequest");
BENCHMARK(BM_PacketLoad)->Name("packet/load");
BENCHMARK(BM_PacketSave)->Name("packet/save");
BENCHMARK(BM_PacketAck)->Name("packet/ack");
BENCHMARK(BM_PacketWheelBaseWrite)->Name("packet/wheelBaseWrite");
BENCHMARK(BM_PacketUserEffectWrite)->Name("packet/userEffectWrite");
BENCHMARK(BM_PacketJoystickWrite)->Name("packet/joystickWrite");
BENCHMARK(BM_PacketMotorWrite)->Name("packet/motorWrite");

template <typename Record>
void runDump(benchmark::State& state, const Record& record) {
    for (auto _ : state) {
        QString json = DumpRecordJson(record);
        benchmark::DoNotOptimize(json.data());
    }
}

void BM_DumpMotor(benchmark::State& state) {
    runDump(state, motor());
}
void BM_DumpWheelBase(benchmark::State& state) {
    runDump(state, wheelBase());
}
void BM_DumpUserEffect(benchmark::State& state) {
    runDump(state, userEffect());
}
void BM_DumpFfbReport(benchmark::State& state) {
    runDump(state, forces());
}

BENCHMARK(BM_DumpMotor)->Name("json/TMotorConfig");
BENCHMARK(BM_DumpWheelBase)->Name("json/TWheelBaseConfig");
BENCHMARK(BM_DumpUserEffect)->Name("json/TUserEffectConfig");
BENCHMARK(BM_DumpFfbReport)->Name("json/TFFBReport");

}  // namespace
