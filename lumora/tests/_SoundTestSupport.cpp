#include "_SoundTestSupport.h"

#include "lumora/shell/MessageTable.h"
#include "lumora/sound/LSoundManager.h"

namespace {

void Put(std::string& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}

void Chunk(std::string& out, const char* id, const std::string& body, std::uint32_t size) {
    out.append(id, 4);
    Put(out, size, 4);
    out += body;
    if (body.size() % 2) out.push_back('\0');
}

} // namespace

std::string MakeWave(const WaveLayout& s) {
    std::string fmt;
    Put(fmt, s.tag, 2);
    Put(fmt, s.channels, 2);
    Put(fmt, s.rate, 4);
    const int block = s.blockAlign >= 0 ? s.blockAlign : s.channels * s.bits / 8;
    Put(fmt, s.rate * static_cast<std::uint32_t>(block), 4);
    Put(fmt, static_cast<std::uint32_t>(block), 2);
    Put(fmt, s.bits, 2);
    fmt += s.fmtTail;
    if (s.fmtSize >= 0) fmt.resize(static_cast<std::size_t>(s.fmtSize));

    std::string body = s.form;
    Chunk(body, "fmt ", fmt, static_cast<std::uint32_t>(fmt.size()));
    if (s.factChunk) {
        std::string fact;
        Put(fact, static_cast<std::uint32_t>(s.data.size()), 4);
        Chunk(body, "fact", fact, 4);
    }
    if (s.dataChunk) Chunk(body, "data", s.data, static_cast<std::uint32_t>(s.data.size()));

    std::string file = "RIFF";
    Put(file, static_cast<std::uint32_t>(body.size()), 4);
    file += body;
    if (s.cutData > 0) file.resize(file.size() - s.cutData - (s.data.size() % 2));
    return file;
}

std::string Ramp8(std::size_t count, int start) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
        out.push_back(static_cast<char>(1 + (start - 1 + i) % 255));
    return out;
}

SoundRig::SoundRig(int memoryBudget, bool withDevice, platform::UINT timerPeriod) {
    SetMessageTableFolder(LUMORA_TEST_BIN_DIR);
    platform::SetAudioOutFactory([this, withDevice]() -> std::unique_ptr<platform::AudioOut> {
        if (!withDevice) return nullptr;
        auto out = std::make_unique<platform::NullAudioSink>([this] { return now.load(); }, 1u << 20);
        sink = out.get();
        return out;
    });
    manager = std::make_unique<LSoundManager>(1, 22050, 8, memoryBudget, 6);
    initResult = manager->Init(nullptr, timerPeriod);
    TakeStereo();
}

SoundRig::~SoundRig() {
    manager.reset();
    platform::SetAudioOutFactory({});
    SetMessageTableFolder("");
}

std::vector<std::int16_t> SoundRig::TakeStereo() {
    if (!sink) return {};
    sink->Poll();
    return sink->TakeMixed();
}

std::vector<int> SoundRig::Advance(unsigned ms) {
    now += ms;
    std::vector<std::int16_t> stereo = TakeStereo();
    std::vector<int> left(stereo.size() / 2);
    for (std::size_t i = 0; i < left.size(); ++i)
        left[i] = stereo[2 * i];
    return left;
}

std::vector<int> SoundRig::Run(unsigned ms, unsigned step) {
    std::vector<int> all;
    for (unsigned t = 0; t < ms; t += step) {
        std::vector<int> part = Advance(step);
        all.insert(all.end(), part.begin(), part.end());
        manager->Update();
    }
    return all;
}

std::string SoundRig::File(const std::string& name, const std::string& bytes) {
    dir.Write(name, bytes);
    return dir.File(name);
}

int SoundRig::BoxesWith(const std::string& text) const {
    int n = 0;
    for (const RecordedBox& box : reports.boxes)
        if (box.text.find(text) != std::string::npos) ++n;
    return n;
}
