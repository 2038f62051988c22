#pragma once

#include "gui/results_view.h"
#include "gui/tmainfrm.h"
#include "tests/gui/app_folder.h"
#include "tests/gui/fake_platform.h"

#include <QAbstractItemModel>
#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QTest>

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

using tavir::ResultsView;
using tavir::TMainFrm;

// One main window over a throw-away application folder and the fake platform layer.
class WindowFixture
{
protected:
    AppFolder folder;
    FakePlatform platform;
    std::unique_ptr<TMainFrm> window;

    // The model checker follows every update; a stress run of many thousand rows may skip it.
    void open(bool checkModel = true)
    {
        window = std::make_unique<TMainFrm>(platform, folder.path());
        if (checkModel)
            modelTester_ = std::make_unique<QAbstractItemModelTester>(
                results(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    // Each test: a new folder holding `quotes`, a fresh fake platform, no window yet; and at
    // its end the window closed and no error box left untaken.
    void startOver(const QByteArray& quotes)
    {
        platform = FakePlatform();
        folder.renew();
        folder.writeQuotes(quotes);
    }
    void finish()
    {
        closeWindow();
        verifyErrorBoxes();
    }

    // Answers Yes to the close question of a window still open.
    void closeWindow()
    {
        if (window && window->isVisible()) {
            platform.answers = {true};
            window->close();
        }
        modelTester_.reset();
        window.reset();
    }

    // A missing or misspelt child fails the current test, not the run: the test goes on with a
    // detached stand-in, which fails its later checks instead of crashing.
    template <typename T> T* child(const char* name)
    {
        if (auto* widget = window->findChild<T*>(QLatin1String(name)))
            return widget;
        const QByteArray message =
            QByteArray("no child named ") + name + " of type " + T::staticMetaObject.className();
        QTest::qFail(message.constData(), __FILE__, __LINE__);
        auto* standIn = new T;
        standIns_.emplace_back(standIn);
        return standIn;
    }

    // The error boxes shown so far, taken: cleanup() fails a test that leaves any untaken.
    std::vector<QString> takeErrorBoxes() { return std::exchange(platform.errors, {}); }
    void verifyErrorBoxes()
    {
        const std::vector<QString> left = takeErrorBoxes();
        if (!QTest::currentTestFailed())
            QCOMPARE(left, std::vector<QString>{});
    }

    QAbstractItemModel* results() { return child<ResultsView>("Wyniki")->model(); }

    QStringList rows()
    {
        QStringList out;
        for (int row = 0; row < results()->rowCount(); ++row)
            out << results()->index(row, 0).data().toString();
        return out;
    }

    void select(std::initializer_list<int> rowsToSelect)
    {
        auto* selection = child<ResultsView>("Wyniki")->selectionModel();
        for (int row : rowsToSelect)
            selection->select(results()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

private:
    std::unique_ptr<QAbstractItemModelTester> modelTester_;
    std::vector<std::unique_ptr<QObject>> standIns_;
};
