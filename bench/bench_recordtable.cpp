// Prints what the record table costs on the real main window for 1,000, 10,000 and 100,000
// records with half of them marked for automatic resolution: one LoadRecordTable (alone, and
// with the window painted afterwards), one ReadSelectedRecord, the resident memory after the
// largest load, and how the load time grows from 10,000 to 100,000 records. For comparison it
// also fills a QTableWidget, one item per cell, with the same rows.
#include "app/frmMain.h"
#include "protocol/RecordList.h"
#include "records/RecordView.h"
#include "support/Fakes.h"

#include <QApplication>
#include <QFile>
#include <QTableView>
#include <QTableWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace pellmarch;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 5;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

template <typename Operation> double medianMilliseconds(Operation operation) {
    std::vector<double> rounds;
    for (int i = 0; i < kRounds; ++i) {
        const auto start = Clock::now();
        operation();
        rounds.push_back(millisecondsSince(start));
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[kRounds / 2];
}

long residentKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

QList<protocol::DnsRecord> recordsOf(int count) {
    QList<protocol::DnsRecord> records;
    records.reserve(count);
    for (int i = 0; i < count; ++i)
        records.append(
            {QStringLiteral("domain%1.test").arg(i % 50), QStringLiteral("A"),
             QStringLiteral("host%1").arg(i),
             QStringLiteral("10.%1.%2.%3").arg(i >> 16).arg((i >> 8) & 255).arg(i & 255)});
    return records;
}

struct Figures {
    double load;
    double loadAndPaint;
    double read;
    double widget;
    long residentAfterLoad; // KiB, before the comparison fills its own table
};

Figures measure(int count) {
    testing::FakeServices fakes;
    const QList<protocol::DnsRecord> records = recordsOf(count);
    fakes.user.sDomainUserRecords = protocol::JoinRecordList(records);
    for (int i = 0; i < count; i += 2)
        fakes.autoIP.UpdateAutoIPList(records[i].domain, records[i].name,
                                      QStringLiteral("RECORDADD"), records[i].recordType,
                                      records[i].address, true);
    app::frmMain main(fakes.services);
    main.show();
    QApplication::processEvents();
    records::RecordView &view = main.recordView();
    auto *grid = main.findChild<QTableView *>(QStringLiteral("gridDomainUser"));

    Figures f{};
    f.load = medianMilliseconds([&] { view.LoadRecordTable(); });
    f.loadAndPaint = medianMilliseconds([&] {
        view.LoadRecordTable();
        grid->viewport()->repaint();
    });
    grid->selectRow(count / 2);
    f.read = medianMilliseconds([&] { view.ReadSelectedRecord(); });
    if (view.selectedRecord().sSelServerIP != records[count / 2 - 1].address)
        std::fprintf(stderr, "read back the wrong record\n");

    f.residentAfterLoad = residentKilobytes();

    QTableWidget widget(0, 5);
    f.widget = medianMilliseconds([&] {
        widget.setRowCount(0);
        widget.setRowCount(count + 1);
        for (int r = 0; r < count; ++r) {
            const protocol::DnsRecord &rec = records[r];
            const bool marked =
                fakes.autoIP.isMarked(rec.domain, rec.recordType, rec.name, rec.address);
            const QString cells[] = {rec.domain, rec.recordType, rec.name, rec.address,
                                     marked ? QStringLiteral("Yes") : QStringLiteral("No")};
            for (int c = 0; c < 5; ++c)
                widget.setItem(r + 1, c, new QTableWidgetItem(cells[c]));
        }
    });
    return f;
}

} // namespace

int main(int argc, char *argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("record table on the main window, half of the records marked, median of %d\n",
                kRounds);
    std::printf("%10s %16s %16s %18s %18s\n", "records", "LoadRecordTable", "load + paint",
                "ReadSelectedRecord", "QTableWidget fill");
    double load10k = 0;
    double load100k = 0;
    for (int count : {1000, 10000, 100000}) {
        const Figures f = measure(count);
        std::printf("%10d %13.2f ms %13.2f ms %15.4f ms %15.2f ms\n", count, f.load, f.loadAndPaint,
                    f.read, f.widget);
        if (count == 10000)
            load10k = f.load;
        if (count == 100000) {
            load100k = f.load;
            std::printf("resident memory after the 100,000 load: %ld KiB\n", f.residentAfterLoad);
        }
    }
    std::printf("ratio t(100,000) / t(10,000): %.2f\n", load100k / load10k);
    return 0;
}
