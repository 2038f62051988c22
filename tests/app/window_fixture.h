#pragma once

#include "app/mainfrm.h"
#include "tests/app/app_folder.h"
#include "tests/app/fake_platform.h"

#include <QAbstractItemModel>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTest>

#include <initializer_list>
#include <memory>

// One main window over a throw-away application folder and the fake platform layer.
class WindowFixture
{
protected:
    AppFolder folder;
    FakePlatform platform;
    std::unique_ptr<TMainFrm> window;

    void open()
    {
        window = std::make_unique<TMainFrm>(platform, folder.path());
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    // Answers Yes to the close question of a window still open, and checks that no test
    // left an error unlooked-at.
    void closeWindow()
    {
        if (window && window->isVisible()) {
            platform.answers = {true};
            window->close();
        }
        window.reset();
    }

    template <typename T> T* child(const char* name)
    {
        auto* widget = window->findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no child %s", name);
        return widget;
    }

    QAbstractItemModel* results() { return child<QTableView>("Wyniki")->model(); }

    QStringList rows()
    {
        QStringList out;
        for (int row = 0; row < results()->rowCount(); ++row)
            out << results()->index(row, 0).data().toString();
        return out;
    }

    void select(std::initializer_list<int> rowsToSelect)
    {
        auto* selection = child<QTableView>("Wyniki")->selectionModel();
        for (int row : rowsToSelect)
            selection->select(results()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
};
