// The browser's list at scale: bringing the model of 1000 devices up to date when one of them
// changed (its pairing), and when nothing did; the figure a row update costs the program.
#include <benchmark/benchmark.h>

#include <QString>
#include <memory>
#include <vector>

#include "app/browser/browser_item.h"
#include "app/browser/browser_list_model.h"

namespace {

// A device as the list sees one; the view is never reached.
class BenchDevice final : public CBrowserItem {
public:
    explicit BenchDevice(int index)
        : CBrowserItem(nullptr, kDevice),
          name_(QStringLiteral("Device %1").arg(index)),
          address_(QStringLiteral("00:00:00:00:%1:%2").arg(index >> 8, 2, 16, QLatin1Char('0')).arg(index & 0xFF, 2, 16, QLatin1Char('0'))) {}
    QString GetName() const override { return name_; }
    int GetOverlay() const override { return overlay; }
    unsigned int GetClass() const override { return 0x5A020C; }
    int GetImage() const override { return 4; }
    QString GetAddressText() const override { return address_; }

    int overlay = 0;

private:
    QString name_;
    QString address_;
};

struct Devices {
    explicit Devices(int count) {
        for (int i = 0; i < count; ++i) owned.push_back(std::make_unique<BenchDevice>(i));
        for (auto& device : owned) shown.push_back(device.get());
        model.Update(shown);
    }
    std::vector<std::unique_ptr<BenchDevice>> owned;
    std::vector<CBrowserItem*> shown;
    BrowserListModel model;
};

void BM_UpdateWithOneDeviceChanged(benchmark::State& state) {
    Devices devices(static_cast<int>(state.range(0)));
    int changed = 0;
    for (auto _ : state) {
        BenchDevice& device = *devices.owned[static_cast<std::size_t>(changed++ % state.range(0))];
        device.overlay ^= 1;
        devices.model.Update(devices.shown);
    }
}
BENCHMARK(BM_UpdateWithOneDeviceChanged)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMicrosecond);

void BM_UpdateWithNothingChanged(benchmark::State& state) {
    Devices devices(static_cast<int>(state.range(0)));
    for (auto _ : state) devices.model.Update(devices.shown);
}
BENCHMARK(BM_UpdateWithNothingChanged)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
