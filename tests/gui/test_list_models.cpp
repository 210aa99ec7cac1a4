// SPDX-License-Identifier: GPL-3.0-or-later
// The list models on their own, without a window: a run's result rows. Qt's model tester watches
// every change for broken promises to the views.
#include "engine/report_model.h"
#include "platform/pathtext.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <string>

using namespace sv;

class TestListModels final : public QObject {
    Q_OBJECT

private slots:
    // Every row is announced on its own as it comes, so that a view (and a test) can act at a
    // given row during a run; the exact bytes of a name are kept for opening and deleting even
    // where the screen cannot show them.
    void ResultRowsArriveOneByOneAndKeepTheirBytes() {
        TReportModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        const std::string odd = "caf\xe9.avi"; // Latin-1 on disk, not UTF-8
        model.Append({"a.avi", "  ", "\\dst\\動画"});
        model.Append({odd, "変", "\\dst"});
        model.Append({"重複.avi", "\u3000消", "削除"});
        model.Append({"重複2.avi", "\u3000消", "ごみ箱"});
        QCOMPARE(inserted.size(), 4);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(inserted[i][1].toInt(), i);
            QCOMPARE(inserted[i][2].toInt(), i);
        }
        QCOMPARE(model.index(0, 2).data().toString(), QStringLiteral("/dst/動画"));
        QCOMPARE(model.index(2, 2).data().toString(), QStringLiteral("削除"));
        QCOMPARE(model.index(3, 2).data().toString(), QStringLiteral("ごみ箱"));
        QCOMPARE(model.index(1, 1).data().toString(), QStringLiteral("変"));
        QVERIFY(model.index(1, 0).data().toString().startsWith(QStringLiteral("caf")));

        QCOMPARE(model.PathOf(0), std::string("\\dst\\動画\\a.avi"));
        QCOMPARE(model.PathOf(1), std::string("\\dst\\") + odd);
        QCOMPARE(model.FolderOf(1), std::string("\\dst"));
        for (const int row : {2, 3, 4, -1}) {
            QVERIFY(model.FolderOf(row).empty());
            QVERIFY(model.PathOf(row).empty());
        }

        model.Clear();
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(model.PathOf(0).empty());
        model.Append({"b.avi", "  ", "\\dst"});
        QCOMPARE(model.PathOf(0), std::string("\\dst\\b.avi"));
    }
};

QTEST_MAIN(TestListModels)
#include "test_list_models.moc"
