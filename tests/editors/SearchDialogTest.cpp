#include "support/EditorWorkspace.h"

#include "dictionary/Dm_Vadem.h"
#include "editors/Man_Archivi.h"
#include "editors/Ric_Gen.h"
#include "ui/DbGrid.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

class SearchDialog : public EditorWorkspace {
protected:
    TRic_Gen& dialog() { return *Ric_Gen; }

    // The base-table editor's search: base-table rows of T_BASE.
    void askForBaseTables() {
        dialog().SearchTable = "T_BASE";
        dialog().SearchDescField = "TMDESC";
        dialog().SearchCodeField = "TMNPFM";
        dialog().SearchDescSize = 75;
        dialog().SearchCodeSize = 10;
        dialog().SearchFilter = "TMTIPO=\"A\"";
        dialog().SearchCaption = "Searching base-tables";
    }
    void order(int item) {
        QTest::mouseClick(
            control<QRadioButton>(dialog(), item == 0 ? "SceltaOrdine0" : "SceltaOrdine1"),
            Qt::LeftButton);
    }
    void partial(bool on) { control<QCheckBox>(dialog(), "SetParziale")->setChecked(on); }
    void find(const QString& text) {
        type(dialog(), "SetRicerca", text);
        click(dialog(), "BtnRicerca");
    }
    std::vector<std::string> sql() const { return Ric_Gen->QryGen.SQL; }
    std::string param(const char* name) { return dialog().QryGen.ParamByName(name).value().text(); }
    // The codes of the hits, in the grid's order.
    QStringList hits() {
        auto* grid = control<ui::DbGrid>(dialog(), "QryGrid");
        QStringList codes;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            codes << grid->model()->index(row, 0).data().toString();
        return codes;
    }

    void addDictionaryTables() {
        addBaseTable("CLIENTI", "Customers");
        addBaseTable("CLIMA", "climate data");
        addBaseTable("FORNITORI", "Suppliers (abroad)");
        addBaseTable("ARTICOLI", "Articles");
        addField("CLIENTI", 1, "CUSTOMER", "Customer code");
    }
};

TEST_F(SearchDialog, BuildsTheSqlTextOfEveryCase) {
    addDictionaryTables();
    askForBaseTables();
    open(dialog());
    using Lines = std::vector<std::string>;
    // Shown with a filter: ordered by description, empty text.
    EXPECT_EQ(sql(), (Lines{"SELECT * FROM T_BASE", "WHERE TMTIPO=\"A\"", "ORDER BY TMDESC"}));

    find("CLI");
    EXPECT_EQ(sql(),
              (Lines{"SELECT * FROM T_BASE", "WHERE TMDESC", " BETWEEN :qSetInf AND :qSetSup ",
                     " AND TMTIPO=\"A\"", "ORDER BY TMDESC"}));
    EXPECT_EQ(param("qSetInf"), "CLI");
    EXPECT_EQ(param("qSetSup"), "CLIzzz");

    partial(true);
    find("c-l i!");
    EXPECT_EQ(sql(), (Lines{"SELECT * FROM T_BASE", "WHERE TMDESC", " LIKE \"%c%l%i%\" ",
                            " AND TMTIPO=\"A\"", "ORDER BY TMDESC"}));

    order(0); // empties the text and searches again
    EXPECT_EQ(text(dialog(), "SetRicerca"), "");
    EXPECT_EQ(sql(), (Lines{"SELECT * FROM T_BASE", "WHERE TMTIPO=\"A\"", "ORDER BY TMNPFM"}));
    find("art");
    EXPECT_EQ(sql(), (Lines{"SELECT * FROM T_BASE", "WHERE TMNPFM", " LIKE \"%A%R%T%\" ",
                            " AND TMTIPO=\"A\"", "ORDER BY TMNPFM"}));
    partial(false);
    find("cl");
    EXPECT_EQ(sql(),
              (Lines{"SELECT * FROM T_BASE", "WHERE TMNPFM", " BETWEEN :qSetInf AND :qSetSup ",
                     " AND TMTIPO=\"A\"", "ORDER BY TMNPFM"}));
    EXPECT_EQ(param("qSetInf"), "CL");
    EXPECT_EQ(param("qSetSup"), "CLzzz");

    // Without a filter the condition lines go.
    dialog().close();
    dialog().SearchFilter.clear();
    dialog().SearchTable = "T_PROD";
    dialog().SearchCodeField = "TMSUFF";
    open(dialog());
    EXPECT_EQ(sql(), (Lines{"SELECT * FROM T_PROD", "ORDER BY TMDESC"}));
    find("Acc");
    EXPECT_EQ(sql(), (Lines{"SELECT * FROM T_PROD", "WHERE TMDESC",
                            " BETWEEN :qSetInf AND :qSetSup ", "ORDER BY TMDESC"}));
    order(0);
    partial(true);
    find("a");
    EXPECT_EQ(sql(),
              (Lines{"SELECT * FROM T_PROD", "WHERE TMSUFF", " LIKE \"%A%\" ", "ORDER BY TMSUFF"}));
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
}

TEST_F(SearchDialog, FindsBaseTablesOfARealDictionary) {
    addDictionaryTables();
    askForBaseTables();
    open(dialog());
    EXPECT_EQ(hits(), (QStringList{"ARTICOLI", "CLIENTI", "FORNITORI", "CLIMA"}));
    EXPECT_EQ(control<ui::DbGrid>(dialog(), "QryGrid")->model()->headerData(0, Qt::Horizontal),
              "Codice");

    find("Cu"); // a prefix, compared with its case
    EXPECT_EQ(hits(), QStringList{"CLIENTI"});
    find("cl");
    EXPECT_EQ(hits(), QStringList{"CLIMA"});
    find("");
    EXPECT_EQ(hits().size(), 4);

    partial(true);
    find("p (a");
    EXPECT_EQ(hits(), QStringList{"FORNITORI"});
    find("***"); // nothing to match: every row that meets the filter
    EXPECT_EQ(hits().size(), 4);

    order(0);
    partial(false);
    type(dialog(), "SetRicerca", "cli");
    EXPECT_EQ(text(dialog(), "SetRicerca"), "CLI"); // by code, typed in capitals
    click(dialog(), "BtnRicerca");
    EXPECT_EQ(hits(), (QStringList{"CLIENTI", "CLIMA"}));
    find("ZZ");
    EXPECT_TRUE(hits().isEmpty());
    EXPECT_TRUE(boxes.shown().empty()) << lastBox().toStdString();
}

TEST_F(SearchDialog, ANumericCodeIsOnlyBrowsed) {
    addDictionaryTables();
    addField("CLIENTI", 2, "CITY", "City");
    dialog().SearchTable = "T_BASE";
    dialog().SearchDescField = "TMDESC";
    dialog().SearchCodeField = "TMNRIG";
    dialog().SearchCodeKind = "S";
    dialog().SearchCodeSize = 4;
    dialog().SearchDescSize = 75;
    dialog().SearchFilter = "TMTIPO=\"B\"";
    open(dialog());
    EXPECT_TRUE(enabled(dialog(), "SetRicerca"));
    order(0);
    EXPECT_FALSE(enabled(dialog(), "SetRicerca"));
    EXPECT_FALSE(windowColoured(dialog(), "SetRicerca"));
    EXPECT_EQ(hits(), (QStringList{"1", "2"}));
    EXPECT_FALSE(dialog().QryGenxCodice->Visible);
    EXPECT_EQ(dialog().QryGenxCodNum->DisplayWidth, 6);
    EXPECT_EQ(dialog().QryGenxDescrizione->DisplayWidth, 51);

    order(1);
    EXPECT_TRUE(enabled(dialog(), "SetRicerca"));
    EXPECT_TRUE(windowColoured(dialog(), "SetRicerca"));
    click(dialog(), "BottoneOK");
    EXPECT_TRUE(dialog().SearchFound);
    EXPECT_EQ(dialog().SearchCode, "2");    // "City" comes first by description
    EXPECT_EQ(dialog().SearchCodeKind, ""); // forgotten on close
}

TEST_F(SearchDialog, OkDoubleClickAndEnterTakeTheCurrentRow) {
    addDictionaryTables();
    askForBaseTables();
    open(dialog());
    EXPECT_EQ(dialog().QryGenxCodice->DisplayWidth, 12);
    EXPECT_EQ(dialog().QryGenxDescrizione->DisplayWidth, 45);
    click(*control<QWidget>(dialog(), "DBRead"), "NavNext");
    click(dialog(), "BottoneOK");
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_TRUE(dialog().SearchFound);
    EXPECT_EQ(dialog().SearchCode, "CLIENTI");

    askForBaseTables();
    open(dialog());
    EXPECT_FALSE(dialog().SearchFound);
    auto* grid = control<ui::DbGrid>(dialog(), "QryGrid");
    QRect cell = grid->visualRect(grid->model()->index(2, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(dialog().SearchCode, "FORNITORI");

    askForBaseTables();
    open(dialog());
    type(dialog(), "SetRicerca", "Sup");
    click(dialog(), "BtnRicerca");
    QTest::keyClick(control<QLineEdit>(dialog(), "SetRicerca"), Qt::Key_Return);
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(dialog().SearchCode, "FORNITORI");

    // An empty result is a choice with an empty code.
    askForBaseTables();
    open(dialog());
    find("Nothing");
    click(dialog(), "BottoneOK");
    EXPECT_TRUE(dialog().SearchFound);
    EXPECT_EQ(dialog().SearchCode, "");

    // Closing chooses nothing.
    askForBaseTables();
    open(dialog());
    click(dialog(), "BottoneUscita");
    EXPECT_FALSE(dialog().SearchFound);
}

TEST_F(SearchDialog, KeepsTheSearchOnlyForTheSameTableWithoutAFilter) {
    addDictionaryTables();
    dialog().SearchTable = "T_BASE";
    dialog().SearchCodeField = "TMNPFM";
    dialog().SearchDescField = "TMDESC";
    dialog().SearchCodeSize = 10;
    dialog().SearchDescSize = 75;
    open(dialog());
    partial(true);
    find("r");
    QStringList found = hits();
    dialog().close();
    EXPECT_EQ(dialog().LastSearchTable, "T_BASE");
    EXPECT_EQ(dialog().LastSearchFilter, "");

    open(dialog()); // same table, no filter: as it was
    EXPECT_EQ(text(dialog(), "SetRicerca"), "r");
    EXPECT_TRUE(control<QCheckBox>(dialog(), "SetParziale")->isChecked());
    EXPECT_EQ(hits(), found);
    dialog().close();

    askForBaseTables(); // a filter: afresh
    open(dialog());
    EXPECT_EQ(text(dialog(), "SetRicerca"), "");
    EXPECT_FALSE(control<QCheckBox>(dialog(), "SetParziale")->isChecked());
    EXPECT_TRUE(control<QRadioButton>(dialog(), "SceltaOrdine1")->isChecked());
    EXPECT_EQ(focused(dialog()), "SetRicerca");
    dialog().close();
    EXPECT_EQ(dialog().SearchFilter, ""); // forgotten on close
}

TEST_F(SearchDialog, AnSqlErrorIsShownAndLeavesTheGridEmpty) {
    addDictionaryTables();
    askForBaseTables();
    dialog().SearchFilter = "NOSUCHCOLUMN=1";
    open(dialog());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(lastBox().startsWith("Query failed")) << lastBox().toStdString();
    EXPECT_EQ(boxes.shown().front().icon, ui::BoxIcon::Stop);
    EXPECT_TRUE(hits().isEmpty());
    EXPECT_FALSE(dialog().Src_QryGen.Enabled());
}

TEST_F(SearchDialog, TheBaseTableEditorGoesToTheChosenTable) {
    addDictionaryTables();
    open(*Man_Archivi);
    QString shown = whileModal([&] { click(*Man_Archivi, "BtnRicerca"); },
                               [&](QWidget&) {
                                   type(dialog(), "SetRicerca", "Sup");
                                   click(dialog(), "BtnRicerca");
                                   click(dialog(), "BottoneOK");
                               });
    EXPECT_EQ(shown, "Ric_Gen");
    EXPECT_EQ(text(*Man_Archivi, "EditTBNPFM"), "FORNITORI");
}

TEST_F(SearchDialog, TheCodeColumnShowsTheWidestCodeWhole) {
    addBaseTable("MOVIMENT", "Stock movements");
    addBaseTable("WMWMWMWMWM", "Ten wide capitals");
    askForBaseTables();
    open(dialog());
    auto* grid = control<ui::DbGrid>(dialog(), "QryGrid");
    ASSERT_EQ(hits(), (QStringList{"MOVIMENT", "WMWMWMWMWM"}));
    // As wide as the cells' own size hint: nothing cut, nothing elided.
    for (int row = 0; row < 2; ++row)
        EXPECT_GE(grid->columnWidth(0),
                  grid->sizeHintForIndex(grid->model()->index(row, 0)).width())
            << hits()[row].toStdString();
    // The description fills the rest of the grid without a horizontal scroll.
    EXPECT_LE(grid->columnWidth(0) + grid->columnWidth(1), grid->viewport()->width());
    dialog().reject();
}
