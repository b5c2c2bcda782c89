#include "app/core/TOrderedWork.h"

#include <QTest>
#include <chrono>
#include <set>
#include <stdexcept>
#include <thread>

class TOrderedWorkTest final : public QObject
{
    Q_OBJECT

private slots:
    // Results come back in the order given, whichever worker finished first; each worker number
    // is one of the pool's.
    void testOrderKeptAcrossWorkers()
    {
        TOrderedWork<std::pair<int, int>> work(4);
        std::vector<std::pair<int, int>> results;
        for (int i = 0; i < 200; ++i) {
            work.Give([i](int worker) {
                std::this_thread::sleep_for(std::chrono::microseconds((i * 7919) % 300));
                return std::make_pair(i, worker);
            });
            if (work.InFlight() >= 8)
                results.push_back(work.Take());
        }
        while (work.InFlight() > 0)
            results.push_back(work.Take());
        std::set<int> workers;
        for (int i = 0; i < 200; ++i) {
            QCOMPARE(results[std::size_t(i)].first, i);
            workers.insert(results[std::size_t(i)].second);
        }
        QVERIFY(*workers.begin() >= 0 && *workers.rbegin() < 4);
        QVERIFY(workers.size() > 1);
    }

    // One job runs each task as it is given, on the caller's thread; a task's exception comes out
    // where its result is taken.
    void testOneJobAndErrors()
    {
        TOrderedWork<std::thread::id> one(1);
        one.Give([](int) { return std::this_thread::get_id(); });
        QCOMPARE(one.Take(), std::this_thread::get_id());

        TOrderedWork<int> two(2);
        two.Give([](int) -> int { throw std::runtime_error("lost page"); });
        two.Give([](int) { return 2; });
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, two.Take());
        QCOMPARE(two.Take(), 2);
    }
};

QTEST_GUILESS_MAIN(TOrderedWorkTest)
#include "TOrderedWorkTest.moc"
