// QCustomPlot against Qt Charts on the plot's load, offscreen, one library per
// run of the program (bench_plotlibs qcustomplot | qtcharts | qpainter, the
// last a plain widget drawing decimated series, for reference):
//   rolling: four series fed at 750 points/s each in batches at 30 Hz, a 10 s
//     window (older points removed), one redraw per batch into a pixmap; CPU
//     seconds per second of load and the mean redraw;
//   million: one series of 1,000,000 points drawn whole, and drawn after
//     DecimateSeries to the plot's width; time per redraw and the resident
//     memory the points add.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QPainter>
#include <QPixmap>
#include <QValueAxis>
#include <qcustomplot.h>

#include "plot/Decimation.h"
#include "plot/PlotModel.h"

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 400;
constexpr int kSeries = 4;
constexpr double kRate = 750.0;    // points a second per series
constexpr double kFrameHz = 30.0;  // batches a second
constexpr double kWindow = 10.0;   // seconds shown
constexpr double kLoadSeconds = 20.0;
constexpr size_t kMillion = 1'000'000;

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double WallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double RssMb()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double Value(int series, double t)
{
    return std::sin(t * (series + 1)) * 100 + series * 50 +
           ((static_cast<long>(t * kRate) % 997) == 0 ? 80 : 0);
}

// What each library must offer the measurement.
struct Plot {
    std::function<void(int, const std::vector<double>&, const std::vector<double>&)> append;
    std::function<void(double, double)> showRange;  // removes older points, sets the axes
    std::function<void(const std::vector<double>&, const std::vector<double>&)> replaceFirst;
    std::function<void()> clear;
    std::function<void()> beforeGrab;  // makes the library lay out and paint anew
    QWidget* widget = nullptr;
};

double Redraw(const Plot& plot)
{
    const double start = WallSeconds();
    QCoreApplication::processEvents();
    if (plot.beforeGrab) {
        plot.beforeGrab();
    }
    QPixmap pixmap = plot.widget->grab();
    if (pixmap.isNull()) {
        std::fprintf(stderr, "grab failed\n");
        std::exit(1);
    }
    return WallSeconds() - start;
}

void Measure(const char* name, Plot& plot)
{
    std::printf("%s\n", name);
    plot.widget->resize(kWidth, kHeight);
    plot.widget->show();
    Redraw(plot);

    // Rolling load: the first window fills unmeasured, then kLoadSeconds.
    const int perBatch = static_cast<int>(kRate / kFrameHz);
    std::vector<double> keys(perBatch);
    std::vector<double> values(perBatch);
    double t = 0;
    auto batch = [&]() {
        for (int s = 0; s < kSeries; ++s) {
            for (int i = 0; i < perBatch; ++i) {
                keys[i] = t + i / kRate;
                values[i] = Value(s, keys[i]);
            }
            plot.append(s, keys, values);
        }
        t += perBatch / kRate;
        plot.showRange(t - kWindow, t);
        return Redraw(plot);
    };
    while (t < kWindow) {
        batch();
    }
    const double cpu0 = CpuSeconds();
    const double load0 = t;
    double redraws = 0;
    int count = 0;
    while (t < load0 + kLoadSeconds) {
        redraws += batch();
        ++count;
    }
    const double cpu = (CpuSeconds() - cpu0) / (t - load0);
    std::printf(
        "  rolling 4 x 750 points/s, 10 s window: CPU %.3f s per s of load, redraw %.2f ms "
        "(%d redraws), RSS %.1f MB\n",
        cpu, redraws / count * 1e3, count, RssMb());
    plot.clear();

    // A million points, drawn whole and decimated.
    SignalSeries series(kMillion);
    std::vector<double> allKeys(kMillion);
    std::vector<double> allValues(kMillion);
    for (size_t i = 0; i < kMillion; ++i) {
        allKeys[i] = i / kRate;
        allValues[i] = Value(0, allKeys[i]);
        series.Append(allKeys[i], allValues[i]);
    }
    const double t0 = allKeys.front();
    const double t1 = allKeys.back();
    const double rssBefore = RssMb();
    double start = WallSeconds();
    plot.replaceFirst(allKeys, allValues);
    plot.showRange(t0, t1);
    const double load = WallSeconds() - start;
    const double firstDraw = Redraw(plot);
    double whole = 0;
    for (int i = 0; i < 5; ++i) {
        whole += Redraw(plot);
    }
    const double rssWhole = RssMb() - rssBefore;
    std::printf(
        "  1,000,000 points whole: hand-over %.1f ms, first redraw %.1f ms, redraw %.1f ms, "
        "RSS +%.1f MB\n",
        load * 1e3, firstDraw * 1e3, whole / 5 * 1e3, rssWhole);
    plot.clear();
    QCoreApplication::processEvents();

    std::vector<PlotPoint> out;
    double decimated = 0;
    constexpr int kRounds = 20;
    for (int i = 0; i < kRounds; ++i) {
        start = WallSeconds();
        DecimateSeries(series, t0, t1, kWidth, PlotDrawMode::kLine, out);
        std::vector<double> k(out.size());
        std::vector<double> v(out.size());
        for (size_t j = 0; j < out.size(); ++j) {
            k[j] = out[j].t;
            v[j] = out[j].v;
        }
        plot.replaceFirst(k, v);
        plot.showRange(t0, t1);
        decimated += WallSeconds() - start;
        decimated += Redraw(plot);
    }
    std::printf("  1,000,000 points decimated to %zu: decimation, hand-over and redraw %.2f ms\n",
                out.size(), decimated / kRounds * 1e3);
    plot.widget->hide();
}

void RunQCustomPlot()
{
    QCustomPlot custom;
    for (int s = 0; s < kSeries; ++s) {
        custom.addGraph();
    }
    Plot plot;
    plot.widget = &custom;
    plot.append = [&](int s, const std::vector<double>& k, const std::vector<double>& v) {
        custom.graph(s)->addData(QVector<double>(k.begin(), k.end()),
                                 QVector<double>(v.begin(), v.end()), true);
    };
    plot.showRange = [&](double t0, double t1) {
        for (int s = 0; s < kSeries; ++s) {
            custom.graph(s)->data()->removeBefore(t0);
        }
        custom.xAxis->setRange(t0, t1);
        custom.yAxis->rescale();
    };
    // grab() alone would show the buffer of the last replot.
    plot.beforeGrab = [&]() {
        custom.replot(QCustomPlot::rpImmediateRefresh);
    };
    plot.replaceFirst = [&](const std::vector<double>& k, const std::vector<double>& v) {
        custom.graph(0)->setData(QVector<double>(k.begin(), k.end()),
                                 QVector<double>(v.begin(), v.end()), true);
    };
    plot.clear = [&]() {
        for (int s = 0; s < kSeries; ++s) {
            custom.graph(s)->data()->clear();
        }
    };
    Measure("QCustomPlot (libQCustomPlotQt6, adaptive sampling on)", plot);
}

void RunQtCharts()
{
    QChart* chart = new QChart;
    chart->legend()->hide();
    chart->setAnimationOptions(QChart::NoAnimation);
    QValueAxis* x = new QValueAxis;
    QValueAxis* y = new QValueAxis;
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    std::vector<QLineSeries*> lines;
    for (int s = 0; s < kSeries; ++s) {
        QLineSeries* line = new QLineSeries;
        chart->addSeries(line);
        line->attachAxis(x);
        line->attachAxis(y);
        lines.push_back(line);
    }
    QChartView view(chart);
    // Each series' window is kept here and handed over whole with replace():
    // appending point by point makes the chart recompute the line per point.
    std::vector<QList<QPointF>> windows(kSeries);
    Plot plot;
    plot.widget = &view;
    plot.append = [&](int s, const std::vector<double>& k, const std::vector<double>& v) {
        for (size_t i = 0; i < k.size(); ++i) {
            windows[s].append(QPointF(k[i], v[i]));
        }
    };
    plot.showRange = [&](double t0, double t1) {
        double low = 0;
        double high = 0;
        bool any = false;
        for (int s = 0; s < kSeries; ++s) {
            QList<QPointF>& window = windows[s];
            qsizetype old = 0;
            while (old < window.size() && window[old].x() < t0) {
                ++old;
            }
            window.remove(0, old);
            for (const QPointF& point : window) {
                low = any ? std::min(low, point.y()) : point.y();
                high = any ? std::max(high, point.y()) : point.y();
                any = true;
            }
            if (!window.isEmpty()) {
                lines[s]->replace(window);
            }
        }
        x->setRange(t0, t1);
        y->setRange(low, high);
    };
    plot.replaceFirst = [&](const std::vector<double>& k, const std::vector<double>& v) {
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(k.size()));
        for (size_t i = 0; i < k.size(); ++i) {
            points.append(QPointF(k[i], v[i]));
        }
        lines[0]->replace(points);
    };
    plot.clear = [&]() {
        for (int s = 0; s < kSeries; ++s) {
            windows[s].clear();
            lines[s]->clear();
        }
    };
    Measure("Qt Charts (QChartView, QLineSeries, no OpenGL)", plot);
}

// No plotting library: the series decimated to the width and drawn as
// polylines with QPainter, no axes.
class PainterPlot : public QWidget {
public:
    std::vector<SignalSeries> series = std::vector<SignalSeries>(kSeries, SignalSeries(kMillion));
    double t0 = 0;
    double t1 = 1;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        std::optional<PlotRange> y;
        for (const SignalSeries& s : series) {
            if (std::optional<PlotRange> own = AutoScale(s, t0, t1)) {
                y = y ? PlotRange{std::min(y->low, own->low), std::max(y->high, own->high)} : own;
            }
        }
        if (!y) {
            return;
        }
        const double sx = width() / (t1 - t0);
        const double sy = height() / (y->high - y->low);
        for (const SignalSeries& s : series) {
            DecimateSeries(s, t0, t1, width(), PlotDrawMode::kLine, m_points);
            m_pixels.resize(static_cast<qsizetype>(m_points.size()));
            for (size_t i = 0; i < m_points.size(); ++i) {
                m_pixels[static_cast<qsizetype>(i)] =
                    QPointF((m_points[i].t - t0) * sx, height() - (m_points[i].v - y->low) * sy);
            }
            painter.drawPolyline(m_pixels.data(), static_cast<int>(m_pixels.size()));
        }
    }

private:
    std::vector<PlotPoint> m_points;
    QList<QPointF> m_pixels;
};

void RunPainter()
{
    PainterPlot widget;
    Plot plot;
    plot.widget = &widget;
    plot.append = [&](int s, const std::vector<double>& k, const std::vector<double>& v) {
        for (size_t i = 0; i < k.size(); ++i) {
            widget.series[s].Append(k[i], v[i]);
        }
    };
    plot.showRange = [&](double t0, double t1) {
        widget.t0 = t0;
        widget.t1 = t1;
    };
    plot.replaceFirst = [&](const std::vector<double>& k, const std::vector<double>& v) {
        widget.series[0].Clear();
        for (size_t i = 0; i < k.size(); ++i) {
            widget.series[0].Append(k[i], v[i]);
        }
    };
    plot.clear = [&]() {
        for (SignalSeries& s : widget.series) {
            s.Clear();
        }
    };
    Measure("QPainter (SignalSeries, DecimateSeries, polylines, no axes)", plot);
}

}  // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // figures as they come, also into a pipe
    QApplication app(argc, argv);
    const std::string which = argc > 1 ? argv[1] : "";
    if (which.empty() || which == "qcustomplot") {
        RunQCustomPlot();
    }
    if (which.empty() || which == "qtcharts") {
        RunQtCharts();
    }
    if (which.empty() || which == "qpainter") {
        RunPainter();
    }
    return 0;
}
