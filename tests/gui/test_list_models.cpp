// SPDX-License-Identifier: GPL-3.0-or-later
// The list models on their own, without a window: the table of conditions and a run's result rows.
// Qt's model tester watches every change for broken promises to the views.
#include "gui/main/condition_table_model.h"
#include "gui/run/report_model.h"
#include "platform/pathtext.h"
#include "store/condition.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <string>

using namespace sv;

class TestListModels final : public QObject {
    Q_OBJECT

    static TSortCondition Condition(const std::string& keywords, const std::string& dest, bool checked,
                                    const std::string& name = {}) {
        TConditionFields f;
        f.keywords = keywords;
        f.settingName = name;
        f.destFolder = dest;
        f.checked = checked;
        TSortCondition out;
        if (!ComposeCondition(f, out).ok())
            qFatal("bad condition");
        return out;
    }

private slots:
    // A tick is the condition's own marker: setting it through the model (as a click does) writes
    // the coded text at once, and only there; with the boxes hidden the marker stays as it was
    // and the model refuses a tick it does not show.
    void ConditionTicksLiveInTheCodedText() {
        TConditionList list;
        QVERIFY(list.InsertAt(0, Condition("mp3", "\\d\\音楽\\", true, "音楽")).ok());
        QVERIFY(list.InsertAt(1, Condition("jpg", "\\d\\画像\\", false)).ok());
        TConditionTableModel model(list);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.Reset(true);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("振り分け先フォルダ"));
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("音楽"));
        QCOMPARE(model.index(1, 3).data().toString(), QStringLiteral("/d/画像/"));
        QCOMPARE(model.index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QVERIFY(!model.index(0, 1).data(Qt::CheckStateRole).isValid());

        const std::string otherText = list.At(0).destText;
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QVERIFY(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(IsChecked(list.At(1).destText));
        QCOMPARE(list.At(0).destText, otherText);
        QCOMPARE(changed.size(), 1);
        model.SetChecked(1, true); // no change, no signal
        QCOMPARE(changed.size(), 1);
        QVERIFY(model.setData(model.index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(!IsChecked(list.At(0).destText));
        QVERIFY(!model.Checked(0) && model.Checked(1));

        model.Reset(false);
        QVERIFY(!model.index(1, 0).data(Qt::CheckStateRole).isValid());
        QVERIFY(!(model.flags(model.index(1, 0)) & Qt::ItemIsUserCheckable));
        QVERIFY(!model.setData(model.index(1, 0), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(IsChecked(list.At(1).destText));
        QVERIFY(model.Checked(1)); // kept while hidden, for the next save and run
    }

    // Moving a row moves its condition, its tick and its texts together, in the list and on screen;
    // the ends of the table stay put.
    void SwappingRowsMovesTheConditionWithItsTick() {
        TConditionList list;
        QVERIFY(list.InsertAt(0, Condition("a", "\\d\\a\\", true)).ok());
        QVERIFY(list.InsertAt(1, Condition("b", "\\d\\b\\", false)).ok());
        QVERIFY(list.InsertAt(2, Condition("c", "\\d\\c\\", false)).ok());
        TConditionTableModel model(list);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.Reset(true);
        const QPersistentModelIndex first = model.index(0, 0);
        model.SwapWithNext(0);
        QCOMPARE(list.At(1).keywordText, std::string("a"));
        QCOMPARE(model.index(1, 2).data().toString(), QStringLiteral("a"));
        QCOMPARE(model.index(0, 2).data().toString(), QStringLiteral("b"));
        QVERIFY(model.Checked(1) && !model.Checked(0));
        QCOMPARE(first.row(), 1); // a selection follows its row
        model.SwapWithNext(2);
        model.SwapWithNext(-1);
        QCOMPARE(list.At(2).keywordText, std::string("c"));
        QCOMPARE(list.At(0).keywordText, std::string("b"));
    }

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
