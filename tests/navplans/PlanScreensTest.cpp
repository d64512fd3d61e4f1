// The plan screens as the pilot works them: the list with its "Edit flight plans" alert, a new
// plan named and filled in the editor, waypoints typed in the waypoint form or picked twice from
// the database through the selector pane (which stays on screen while the editor saves), a
// rename shown at once, the delete gestures, and the way in from the logbook's "Plans" button.

#include "PlanTestSupport.h"
#include "waypoints/DatabaseFixture.h"

#include "logbook/FlightLog.h"
#include "logbook/FlightsView.h"
#include "navplans/NavPlanEditor.h"
#include "navplans/NavPlanStore.h"
#include "navplans/NavplansController.h"
#include "navplans/WaypointEditor.h"
#include "platform/core/Paths.h"
#include "platform/ui/Automation.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/Style.h"
#include "support/TestSupport.h"
#include "ui/UiTestSupport.h"
#include "ui_WaypointEditor.h"
#include "waypoints/ActiveCountriesStore.h"
#include "waypoints/POISelectorPaneController.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace vantrel;
using navplans::NavPlanEditor;
using navplans::NavPlanStore;
using navplans::NavplansController;
using navplans::WaypointEditor;
using platform::DictionaryPtr;
using platform::Value;
using platform::ui::Automation;
using platform::ui::NavigationController;
using platform::ui::TableView;
using platform::ui::TableViewCell;

namespace {

// The texts of a table's rows.
QStringList rowTexts(TableView* table) {
    QStringList texts;
    for (int row = 0; row < table->numberOfRowsInSection(0); ++row) {
        table->scrollToRowAtIndexPath({0, row}, platform::ui::TableViewScrollPosition::None, false);
        TableViewCell* cell = table->cellForRowAtIndexPath({0, row});
        texts << (cell ? cell->text() : QStringLiteral("(no cell)"));
    }
    return texts;
}

QString type(const Automation& robot, QWidget* field, const QString& text) {
    QString error = robot.tap(Automation::Target{field, field->rect().center(), field->objectName()});
    if (!error.isEmpty()) return error;
    if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->selectAll();
    return robot.typeText(text);
}

// A plan list on a folder of its own, in a navigation controller in a shown window.
struct PlansOnScreen {
    explicit PlansOnScreen(bool modal = false)
        : store(std::make_shared<NavPlanStore>(dir.file("navplans"))),
          list(std::make_shared<NavplansController>(store)),
          navigation(std::make_shared<NavigationController>(list)),
          robot(window.get()) {
        if (modal) {
            window->setRootViewController(root);
            root->presentModalViewController(navigation, false);
        } else {
            window->setRootViewController(navigation);
        }
        robot.waitForIdle();
    }
    QString folder() const { return dir.file("navplans"); }
    QString tap(const QString& button) {
        QString error = robot.tapButton(button);
        robot.waitForIdle();
        return error;
    }
    NavPlanEditor* editor() { return dynamic_cast<NavPlanEditor*>(navigation->topViewController()); }
    WaypointEditor& form() { return *list->waypointEditor(); }

    test::TempDir dir;
    std::shared_ptr<NavPlanStore> store;
    std::shared_ptr<NavplansController> list;
    std::shared_ptr<NavigationController> navigation;
    std::shared_ptr<platform::ui::ViewController> root = std::make_shared<platform::ui::ViewController>();
    test::ShownWindow window;
    Automation robot;
};

}  // namespace

TEST(PlanScreens, TheListShowsThePlansAndItsAlertMakesOrDeletesThem) {
    PlansOnScreen app;
    test::writePlanFile(app.folder() + "/Alpha.nav", Value(test::plan("Alpha")));
    QFile foreign(app.folder() + "/readme.txt");
    ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
    foreign.close();
    app.store->reload();
    app.list->navplansTable()->reloadData();

    EXPECT_EQ(app.list->title(), "Navigation plans");
    TableView* table = app.list->navplansTable();
    EXPECT_EQ(app.list->titleForHeaderInSection(table, 0), "Navigation plans");
    EXPECT_EQ(app.list->titleForHeaderInSection(app.list->waypointsTable(), 0), "Waypoints");
    EXPECT_EQ(app.list->numberOfRowsInSection(app.list->waypointsTable(), 0), 0);
    QStringList rows = rowTexts(table);
    rows.sort();
    EXPECT_EQ(rows, (QStringList{"", "Alpha"}));
    TableViewCell* cell = table->cellForRowAtIndexPath({0, 0});
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->reuseIdentifier(), "PlanCell");
    EXPECT_EQ(cell->textColor(), platform::ui::style::orange());
    EXPECT_EQ(cell->shownAccessory(), platform::ui::TableViewCellAccessoryType::DetailDisclosureButton);

    ASSERT_EQ(app.tap("Edit"), "");
    platform::ui::AlertView* alert = app.list->editAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "Edit flight plans");
    EXPECT_EQ(alert->message(), "Do you want to create a new flight plan or delete one or more existing flight plans ?");
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "Cancel");
    EXPECT_EQ(alert->buttonTitleAtIndex(1), "New");
    EXPECT_EQ(alert->buttonTitleAtIndex(2), "Delete");
    ASSERT_EQ(app.tap("Cancel"), "");
    EXPECT_FALSE(table->isEditing());
    EXPECT_EQ(app.navigation->topViewController(), app.list.get());

    // Delete: editing mode, the row's delete control, its Delete button; the file goes with it.
    ASSERT_EQ(app.tap("Edit"), "");
    ASSERT_EQ(app.tap("Delete"), "");
    EXPECT_TRUE(table->isEditing());
    ASSERT_EQ(app.robot.tapRow("Alpha"), "") << "a row in editing mode is not opened";
    EXPECT_EQ(app.navigation->topViewController(), app.list.get());
    const int alphaRow = rowTexts(table).indexOf("Alpha");
    TableViewCell* alphaCell = table->cellForRowAtIndexPath({0, alphaRow});
    ASSERT_TRUE(alphaCell && alphaCell->deleteControl());
    ASSERT_EQ(app.robot.tap(Automation::Target{alphaCell->deleteControl(), alphaCell->deleteControl()->rect().center(), "minus"}), "");
    ASSERT_EQ(app.tap("Delete"), "");
    EXPECT_EQ(rowTexts(table), QStringList{""});
    EXPECT_EQ(test::filesIn(app.folder()), QStringList{"readme.txt"});
    // "Edit" while editing only ends editing.
    ASSERT_EQ(app.tap("Edit"), "");
    EXPECT_FALSE(table->isEditing());
    EXPECT_EQ(app.list->editAlert(), nullptr);
}

// Edit > New, a name, a waypoint typed by hand and one left untouched, back to the list: the plan
// is listed at once and its file holds all of it.
TEST(PlanScreens, ANewPlanIsNamedFilledAndListedOnceSaved) {
    PlansOnScreen app;
    ASSERT_EQ(app.tap("Edit"), "");
    ASSERT_EQ(app.tap("New"), "");
    NavPlanEditor* editor = app.editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->title(), "Navplan Editor");
    EXPECT_EQ(editor->nameField()->text(), "");
    EXPECT_EQ(editor->currentNavPlan()->get("name"), Value("untitled"));
    EXPECT_EQ(editor->waypointsArray().get(), editor->currentNavPlan()->get("wp").asArray());
    EXPECT_EQ(editor->titleForHeaderInSection(editor->waypointsTable(), 0), "Waypoints");
    EXPECT_TRUE(app.store->navigationPlansArray()->empty()) << "not listed before it is saved";

    ASSERT_EQ(type(app.robot, editor->nameField(), "Geneva - Annecy"), "");
    ASSERT_EQ(app.tap("Add"), "");
    platform::ui::AlertView* alert = editor->addAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "Add waypoint");
    EXPECT_EQ(alert->message(), "Do you want to add a new waypoint or an existing waypoint from database ?");
    EXPECT_EQ(alert->buttonTitleAtIndex(1), "New");
    EXPECT_EQ(alert->buttonTitleAtIndex(2), "Existing");
    ASSERT_EQ(app.tap("New"), "");
    ASSERT_EQ(app.navigation->topViewController(), &app.form());
    // Leaving the editor saved it: listed now, under the typed name.
    ASSERT_EQ(app.store->navigationPlansArray()->size(), 1u);
    EXPECT_EQ(test::filesIn(app.folder()), QStringList{"Geneva - Annecy.nav"});

    Ui::WaypointEditor& form = app.form().form();
    EXPECT_EQ(form.nameField->text(), "Untitled");
    EXPECT_EQ(form.latField->text(), "");
    EXPECT_EQ(form.lonField->text(), "");
    EXPECT_EQ(form.miscField->text(), "");
    ASSERT_EQ(type(app.robot, form.nameField, "Salève\n"), "");
    ASSERT_EQ(type(app.robot, form.latField, "46.1456"), "");
    ASSERT_EQ(type(app.robot, form.lonField, "6.19"), "");
    ASSERT_EQ(type(app.robot, form.miscField, "report, 3000 ft"), "");
    EXPECT_TRUE(app.form().currentWaypoint()->get("waypoint_latitude").isNull()) << "nothing is written before leaving";
    ASSERT_EQ(app.tap("Navplan Editor"), "");
    ASSERT_EQ(app.editor(), editor);
    EXPECT_EQ(rowTexts(editor->waypointsTable()), QStringList{QStringLiteral("Salève")});

    // A second waypoint left untouched.
    ASSERT_EQ(app.tap("Add"), "");
    ASSERT_EQ(app.tap("New"), "");
    ASSERT_EQ(app.form().form().nameField->text(), "Untitled") << "filled from the new record, not the previous one";
    ASSERT_EQ(app.tap("Navplan Editor"), "");
    EXPECT_EQ(rowTexts(editor->waypointsTable()), (QStringList{QStringLiteral("Salève"), "Untitled"}));

    ASSERT_EQ(app.tap("Navigation plans"), "");
    EXPECT_EQ(rowTexts(app.list->navplansTable()), QStringList{"Geneva - Annecy"});
    const QString file = app.folder() + "/Geneva - Annecy.nav";
    EXPECT_EQ(test::xmlPlistProblem(file), "");
    DictionaryPtr stored = test::readPlanFile(file);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->get("waypoint_name"), Value("Geneva - Annecy"));
    EXPECT_EQ(stored->get("name"), Value("untitled"));
    const platform::Array* wp = stored->get("wp").asArray();
    ASSERT_EQ(wp->size(), 2u);
    EXPECT_EQ(Value(wp->at(0)), Value(test::userWaypoint(QStringLiteral("Salève"), "46.1456", "6.19", "report, 3000 ft")));
    EXPECT_EQ(Value(wp->at(1)), Value(test::userWaypoint("Untitled", "", "", "")));
}

// An empty name saves as "Untitled"; a rename writes a second file and the list shows the new
// name as soon as it is back; Return in the name field saves at once.
TEST(PlanScreens, RenamingShowsAtOnceAndMovesThePlansFile) {
    PlansOnScreen app;
    app.list->newFlightplan();
    app.robot.waitForIdle();
    ASSERT_EQ(app.tap("Navigation plans"), "");
    EXPECT_EQ(rowTexts(app.list->navplansTable()), QStringList{"Untitled"});
    EXPECT_EQ(test::filesIn(app.folder()), QStringList{"Untitled.nav"});

    ASSERT_EQ(app.robot.tapRow("Untitled"), "");
    app.robot.waitForIdle();
    NavPlanEditor* editor = app.editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->currentNavPlan(), app.store->planAt(0)) << "the list's own record";
    EXPECT_FALSE(app.list->navplansTable()->indexPathForSelectedRow());
    ASSERT_EQ(type(app.robot, editor->nameField(), "Jura\n"), "");
    EXPECT_EQ(test::filesIn(app.folder()), (QStringList{"Jura.nav"}));
    ASSERT_EQ(app.tap("Navigation plans"), "");
    EXPECT_EQ(rowTexts(app.list->navplansTable()), QStringList{"Jura"});
    // The next start lists the one plan.
    NavPlanStore again(app.folder());
    EXPECT_EQ(again.navigationPlansArray()->size(), 1u);
}

// Renaming a plan to the name of another asks: "Keep both" leaves it under "Name 2", "Replace"
// removes the other plan; either way each plan is one file, and a fresh start lists the same.
TEST(PlanScreens, RenamingToANameInUseAsksToReplaceOrKeepBoth) {
    struct Case {
        const char* answer;
        QStringList rows;   // sorted
        QStringList files;  // sorted
    };
    for (const Case& c : {Case{"Keep both", {"Alpha", "Alpha 2"}, {"Alpha 2.nav", "Alpha.nav"}},
                          Case{"Replace", {"Alpha"}, {"Alpha.nav"}}}) {
        SCOPED_TRACE(c.answer);
        PlansOnScreen app;
        test::writePlanFile(app.folder() + "/Alpha.nav", Value(test::plan("Alpha", {test::userWaypoint("OLD", "1", "1")})));
        test::writePlanFile(app.folder() + "/Bravo.nav", Value(test::plan("Bravo", {test::userWaypoint("NEW", "2", "2")})));
        app.store->reload();
        app.list->navplansTable()->reloadData();
        ASSERT_EQ(app.robot.tapRow("Bravo"), "");
        app.robot.waitForIdle();
        NavPlanEditor* editor = app.editor();
        ASSERT_NE(editor, nullptr);
        ASSERT_EQ(type(app.robot, editor->nameField(), "Alpha\n"), "");
        app.robot.waitForIdle();
        // Asked, with nothing lost meanwhile: the renamed plan is kept under the numbered name.
        ASSERT_NE(editor->nameAlert(), nullptr);
        EXPECT_EQ(editor->nameAlert()->title(), "Plan name in use");
        EXPECT_TRUE(editor->nameAlert()->message().contains(QString::fromUtf8("this one \u201cAlpha 2\u201d?"))) << editor->nameAlert()->message().toStdString();
        EXPECT_EQ(editor->nameField()->text(), "Alpha 2");
        EXPECT_EQ(test::filesIn(app.folder()), (QStringList{"Alpha 2.nav", "Alpha.nav"}));
        ASSERT_EQ(app.tap(c.answer), "");
        ASSERT_EQ(app.tap("Navigation plans"), "");

        QStringList rows = rowTexts(app.list->navplansTable());
        rows.sort();
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(test::filesIn(app.folder()), c.files);
        NavPlanStore again(app.folder());
        QStringList listed;
        for (size_t row = 0; row < again.planCount(); ++row) listed << again.planNameAt(row);
        listed.sort();
        EXPECT_EQ(listed, c.rows);
        // Bravo's waypoints are in the plan that has its new name, Alpha's in Alpha's when kept.
        const DictionaryPtr renamed = test::readPlanFile(app.folder() + "/" + c.files.front());
        ASSERT_TRUE(renamed);
        EXPECT_EQ(renamed->get("wp").asArray()->at(0).asDictionary()->get("waypoint_name"), Value("NEW"));
    }
}

// The waypoint form takes degrees with decimals or degrees and minutes, and refuses anything
// else with an alert naming the field; the record keeps what it had.
TEST(PlanScreens, TheWaypointFormRefusesABadLatitudeOrLongitudeNamingTheField) {
    struct Case {
        const char* latitude;
        const char* longitude;
        const char* storedLatitude;   // nullptr: refused, the former value stays
        const char* storedLongitude;
        const char* named;            // the field the alert names, or nullptr for no alert
    };
    const Case cases[] = {
        {"46.2381", "-6.5", "46.2381", "-6.5", nullptr},
        {"46°14.3'N", "6 06.5 W", "46.238333", "-6.108333", nullptr},
        {"95", "6", nullptr, "6", "Latitude \u201c95\u201d"},
        {"46", "hello", "46", nullptr, "Longitude \u201chello\u201d"},
        {"46 75.0 N", "181", nullptr, nullptr, "Latitude"},
        {"46N", "7E", "46", "7", nullptr},
        {"46 14 E", "6", nullptr, "6", "Latitude"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.latitude) + " / " + c.longitude);
        PlansOnScreen app;
        DictionaryPtr waypoint = test::userWaypoint("HOME", "45", "5");
        app.list->makeEditor()->displayEditor(test::plan("P", {waypoint}));
        app.robot.waitForIdle();
        ASSERT_EQ(app.robot.tapRow("HOME"), "");
        app.robot.waitForIdle();
        Ui::WaypointEditor& form = app.form().form();
        ASSERT_EQ(type(app.robot, form.latField, c.latitude), "");
        ASSERT_EQ(type(app.robot, form.lonField, c.longitude), "");
        ASSERT_EQ(app.tap("Navplan Editor"), "");
        EXPECT_EQ(waypoint->get("waypoint_latitude"), Value(c.storedLatitude ? c.storedLatitude : "45"));
        EXPECT_EQ(waypoint->get("waypoint_longitude"), Value(c.storedLongitude ? c.storedLongitude : "5"));
        platform::ui::AlertView* alert = app.form().coordinateAlert();
        if (!c.named) {
            EXPECT_EQ(alert, nullptr);
            continue;
        }
        ASSERT_NE(alert, nullptr);
        EXPECT_EQ(alert->title(), "Position not saved");
        EXPECT_TRUE(alert->message().startsWith(QString::fromUtf8(c.named))) << alert->message().toStdString();
        EXPECT_TRUE(alert->message().contains("degrees and minutes")) << alert->message().toStdString();
        ASSERT_EQ(app.tap("OK"), "");
    }
}

TEST(PlanScreens, AWaypointIsDeletedWithTheSwipeAndThePlanSavedOnLeaving) {
    PlansOnScreen app;
    test::writePlanFile(app.folder() + "/Trip.nav", Value(test::plan("Trip", {test::userWaypoint("ONE", "1", "1"),
                                                                              test::userWaypoint("TWO", "2", "2")})));
    app.store->reload();
    app.list->navplansTable()->reloadData();
    ASSERT_EQ(app.robot.tapRow("Trip"), "");
    app.robot.waitForIdle();
    NavPlanEditor* editor = app.editor();
    ASSERT_NE(editor, nullptr);
    TableView* table = editor->waypointsTable();
    const QRect row = table->rectForRowAtIndexPath({0, 0});
    // Swiped clear of the detail button at the row's right end, which takes its own touches.
    ASSERT_EQ(app.robot.drag(table, QPointF(220, row.center().y()), QPointF(100, row.center().y())), "");
    ASSERT_EQ(app.tap("Delete"), "");
    EXPECT_EQ(rowTexts(table), QStringList{"TWO"});
    EXPECT_EQ(test::readPlanFile(app.folder() + "/Trip.nav")->get("wp").asArray()->size(), 2u) << "written on leaving";
    ASSERT_EQ(app.tap("Navigation plans"), "");
    const DictionaryPtr stored = test::readPlanFile(app.folder() + "/Trip.nav");
    const platform::Array* wp = stored->get("wp").asArray();
    ASSERT_EQ(wp->size(), 1u);
    EXPECT_EQ(wp->at(0).asDictionary()->get("waypoint_name"), Value("TWO"));
}

// The waypoint form shows numbers as texts that read back as the same numbers, writes texts as
// typed, and refuses a coordinate that would read as infinity.
TEST(PlanScreens, TheWaypointFormKeepsNumbersExactAndRefusesInfiniteCoordinates) {
    PlansOnScreen app;
    DictionaryPtr database = platform::Dictionary::create();
    database->set("waypoint_id", Value("LFLP"));
    database->set("waypoint_name", Value("Annecy"));
    database->set("waypoint_latitude", Value::real(45.929199218750004));
    database->set("waypoint_longitude", Value::integer(6));
    database->set("waypoint_type", Value::integer(1));
    DictionaryPtr plan = test::plan("P", {database});
    app.list->makeEditor()->displayEditor(plan);
    app.robot.waitForIdle();
    ASSERT_EQ(app.robot.tapRow("Annecy"), "");
    app.robot.waitForIdle();
    ASSERT_EQ(app.navigation->topViewController(), &app.form());
    EXPECT_EQ(app.form().currentWaypoint(), database);
    Ui::WaypointEditor& form = app.form().form();
    // The shortest text of the double: one digit fewer than its literal here, and the same number.
    EXPECT_EQ(form.latField->text(), "45.92919921875001");
    EXPECT_EQ(form.lonField->text(), "6");
    ASSERT_EQ(app.tap("Navplan Editor"), "");
    EXPECT_EQ(database->get("waypoint_latitude"), Value("45.92919921875001"));
    EXPECT_EQ(database->get("waypoint_latitude").doubleValue(), 45.929199218750004);
    EXPECT_EQ(database->get("waypoint_longitude"), Value("6"));
    EXPECT_EQ(database->get("misc"), Value(""));
    EXPECT_EQ(database->get("waypoint_type"), Value::integer(1));

    ASSERT_EQ(app.robot.tapRow("Annecy"), "");
    app.robot.waitForIdle();
    ASSERT_EQ(type(app.robot, form.latField, "46°14'N"), "");
    ASSERT_EQ(type(app.robot, form.lonField, "1e999"), "");
    test::LogCapture log;
    ASSERT_EQ(app.tap("Navplan Editor"), "");
    EXPECT_EQ(database->get("waypoint_latitude"), Value("46.233333")) << "degrees and minutes as degrees";
    EXPECT_EQ(database->get("waypoint_longitude"), Value("6")) << "infinity refused";
    EXPECT_TRUE(log.contains(QString::fromUtf8("Longitude \u201c1e999\u201d is not a longitude"))) << log.lines().join("\n").toStdString();
    ASSERT_EQ(app.tap("OK"), "");
    // Return in a field only ends typing.
    ASSERT_EQ(app.robot.tapRow("Annecy"), "");
    app.robot.waitForIdle();
    ASSERT_EQ(type(app.robot, form.miscField, "note\n"), "");
    EXPECT_FALSE(form.miscField->hasFocus());
    EXPECT_EQ(database->get("misc"), Value(""));
}

// "Existing": the selector pane comes over the editor and stays while the editor saves; the same
// database waypoint picked twice is one record in two rows, written with all its keys. With the
// plans presented modally the pane stays over them too, and only a save with nothing over the
// plans closes them.
TEST(PlanScreens, TheSelectorPaneStaysAndTheSameDatabaseWaypointTwiceIsOneRecord) {
    test::DatabaseFixture database;
    database.writeStates({});
    database.writeCountry("France", {test::makeRecord("LFLP", 45.9292, 6.0989, 1, -1, "Annecy")});
    database.writeCountry("Switzerland", {test::makeRecord("LSGG", 46.2381, 6.1089, 1, -1, "Geneva")});
    waypoints::POISelectorPaneController& pane = waypoints::POISelectorPaneController::sharedPOIDatabase();
    pane.database().load(waypoints::ActiveCountriesStore(), [](const char*, platform::DictionaryPtr) {});
    auto navigator = waypoints::POISelectorPaneController::POINavigator();

    for (bool modal : {false, true}) {
        SCOPED_TRACE(modal ? "plans presented modally" : "plans at the window's root");
        PlansOnScreen app(modal);
        // The pane comes over the topmost screen: the plans, at the root or presented.
        platform::ui::ViewController* presenter = app.navigation.get();
        app.list->newFlightplan();
        app.robot.waitForIdle();
        NavPlanEditor* editor = app.editor();
        ASSERT_NE(editor, nullptr);
        ASSERT_EQ(type(app.robot, editor->nameField(), modal ? "Modal" : "Alps"), "");

        ASSERT_EQ(app.tap("Add"), "");
        ASSERT_EQ(app.tap("Existing"), "");
        EXPECT_EQ(presenter->modalViewController(), navigator.get()) << "the pane stays on screen";
        EXPECT_EQ(pane.owner(), editor);
        EXPECT_EQ(test::filesIn(app.folder()), QStringList{modal ? "Modal.nav" : "Alps.nav"}) << "saved on leaving";
        ASSERT_EQ(app.robot.tapRow("Switzerland"), "");
        ASSERT_EQ(app.robot.tapRow("LSGG, Geneva"), "");
        ASSERT_EQ(app.tap("Select"), "");
        EXPECT_EQ(presenter->modalViewController(), nullptr);
        ASSERT_EQ(app.editor(), editor);

        // Opened again, the pane offers the same choice: "Done" hands it over once more.
        ASSERT_EQ(app.tap("Add"), "");
        ASSERT_EQ(app.tap("Existing"), "");
        ASSERT_EQ(app.tap("Done"), "");
        EXPECT_EQ(rowTexts(editor->waypointsTable()), (QStringList{"Geneva", "Geneva"}));
        const platform::Array& wp = *editor->waypointsArray();
        ASSERT_EQ(wp.size(), 2u);
        EXPECT_EQ(wp.at(0).identity(), wp.at(1).identity());
        Value geneva;
        for (const Value& r : *pane.waypointsDB())
            if (r.asDictionary()->get("waypoint_id") == Value("LSGG")) geneva = r;
        EXPECT_EQ(wp.at(0).identity(), geneva.identity()) << "the database's own record";

        // Cancel in the pane adds nothing.
        ASSERT_EQ(app.tap("Add"), "");
        ASSERT_EQ(app.tap("Existing"), "");
        ASSERT_EQ(app.tap("Back"), "");
        ASSERT_EQ(app.tap("Cancel"), "");
        EXPECT_EQ(editor->waypointsArray()->size(), 2u);

        EXPECT_TRUE(editor->save());
        app.robot.waitForIdle();
        if (modal) {
            EXPECT_EQ(app.root->modalViewController(), nullptr) << "a save with nothing over the plans closes them";
        } else {
            EXPECT_EQ(app.navigation->topViewController(), editor);
        }
        DictionaryPtr stored = test::readPlanFile(app.folder() + (modal ? "/Modal.nav" : "/Alps.nav"));
        ASSERT_TRUE(stored);
        const platform::Array* storedWp = stored->get("wp").asArray();
        ASSERT_EQ(storedWp->size(), 2u);
        EXPECT_EQ(storedWp->at(0).asDictionary()->get("waypoint_id"), Value("LSGG"));
        EXPECT_EQ(storedWp->at(1).asDictionary()->get("waypoint_latitude"), Value::real(46.2381));
        EXPECT_EQ(storedWp->at(1).asDictionary()->get("waypoint_type"), Value::integer(1));
    }
}

// The app's way in: the logbook list's "Plans" button pushes the shared plan list on the logbook's
// stack; its Back button leads back to the logbook.
TEST(PlanScreens, TheLogbooksPlansButtonOpensTheSharedList) {
    test::TempDir documents;
    platform::Paths::setDocumentsDirectory(documents.path());
    QDir(documents.path()).mkdir("navplans");
    test::writePlanFile(documents.file("navplans/Alpha.nav"), Value(test::plan("Alpha")));

    EXPECT_EQ(NavplansController::savePath(), documents.file("navplans"));
    std::shared_ptr<NavigationController> plans = NavplansController::sharedNavigationController();
    EXPECT_EQ(NavplansController::sharedNavigationController(), plans);
    EXPECT_EQ(plans->topViewController(), NavplansController::sharedController().get());
    EXPECT_EQ(plans->navigationBar()->barStyle(), platform::ui::BarStyle::Black);
    EXPECT_EQ(NavplansController::sharedController()->store().savePath(), documents.file("navplans"));
    ASSERT_NE(NavplansController::sharedController()->navigationItem().rightBarButtonItem(), nullptr);
    EXPECT_EQ(NavplansController::sharedController()->navigationItem().rightBarButtonItem()->title(), "Edit");
    EXPECT_EQ(WaypointEditor::sharedController(), WaypointEditor::sharedController());
    EXPECT_NE(NavPlanEditor::sharedController(), NavPlanEditor::sharedController());

    auto flights = std::make_shared<logbook::FlightsView>(std::make_shared<logbook::FlightLog>(documents.file("flights.plist")));
    auto logbookStack = std::make_shared<NavigationController>(flights);
    test::ShownWindow window;
    window->setRootViewController(logbookStack);
    Automation robot(window.get());
    robot.waitForIdle();
    ASSERT_EQ(robot.tapButton("Plans"), "");
    robot.waitForIdle();
    ASSERT_EQ(logbookStack->topViewController(), plans.get());
    EXPECT_EQ(rowTexts(NavplansController::sharedController()->navplansTable()), QStringList{"Alpha"});

    ASSERT_EQ(robot.tapRow("Alpha"), "");
    robot.waitForIdle();
    auto* editor = dynamic_cast<NavPlanEditor*>(plans->topViewController());
    ASSERT_NE(editor, nullptr);
    ASSERT_EQ(type(robot, editor->nameField(), "Alpha 2"), "");
    ASSERT_EQ(robot.tapButton("Navigation plans"), "");
    robot.waitForIdle();
    EXPECT_EQ(rowTexts(NavplansController::sharedController()->navplansTable()), QStringList{"Alpha 2"});
    ASSERT_EQ(robot.tapButton("Logbook"), "");
    robot.waitForIdle();
    EXPECT_EQ(logbookStack->topViewController(), flights.get());
    // And in again, the same list.
    ASSERT_EQ(robot.tapButton("Plans"), "");
    robot.waitForIdle();
    EXPECT_EQ(logbookStack->topViewController(), plans.get());
    platform::Paths::setDocumentsDirectory(QString());
}

// Fly and Stop go through the actions the app hands in: from a row's detail button (its alert:
// Cancel, Fly or Stop, Open) and from the editor's button beside the name, which saves first. A
// refusal is shown as an alert; without actions the detail button opens the plan as before.
TEST(PlanScreens, FlyAndStopFromTheListAndTheEditorGoThroughTheAppsActions) {
    PlansOnScreen app;
    test::writePlanFile(app.folder() + "/Alpha.nav", Value(test::plan("Alpha")));
    test::writePlanFile(app.folder() + "/Beta.nav", Value(test::plan("Beta")));
    app.store->reload();
    TableView* table = app.list->navplansTable();
    table->reloadData();
    const int alpha = rowTexts(table).indexOf("Alpha");
    ASSERT_GE(alpha, 0);

    app.list->accessoryButtonTappedForRowWithIndexPath(table, {0, alpha});
    app.robot.waitForIdle();
    ASSERT_NE(app.editor(), nullptr) << "without the app's actions the detail button opens the plan";
    EXPECT_FALSE(app.editor()->flyButton()->isVisible());
    app.navigation->popViewControllerAnimated(false);
    app.robot.waitForIdle();

    QString flown;
    QStringList calls;
    NavplansController::setFlightActions({[&](const QString& name) {
                                              calls << "fly " + name;
                                              if (name == "Beta") return QStringLiteral("Beta has one waypoint");
                                              flown = name;
                                              return QString();
                                          },
                                          [&] {
                                              calls << "stop";
                                              flown.clear();
                                          },
                                          [&] { return flown; }});
    struct Reset {
        ~Reset() { NavplansController::setFlightActions({}); }
    } reset;

    for (const char* expected : {"Fly", "Stop"}) {
        app.list->accessoryButtonTappedForRowWithIndexPath(table, {0, alpha});
        app.robot.waitForIdle();
        ASSERT_NE(app.list->planAlert(), nullptr);
        EXPECT_EQ(app.list->planAlert()->title(), "Alpha");
        EXPECT_EQ(app.list->planAlert()->buttonTitleAtIndex(1), expected);
        EXPECT_EQ(app.list->planAlert()->buttonTitleAtIndex(2), "Open");
        ASSERT_EQ(app.tap(expected), "");
    }
    EXPECT_EQ(calls, (QStringList{"fly Alpha", "stop"}));

    // The editor: "Fly" beside the name flies the plan as saved, under the name typed.
    ASSERT_EQ(app.robot.tapRow("Alpha"), "");
    NavPlanEditor* editor = app.editor();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->flyButton()->isVisible());
    EXPECT_EQ(editor->flyButton()->title(), "Fly");
    editor->nameField()->setText("Alpha One");
    ASSERT_EQ(app.tap("Fly"), "");
    EXPECT_EQ(flown, "Alpha One");
    EXPECT_EQ(test::filesIn(app.folder()), (QStringList{"Alpha One.nav", "Beta.nav"}));
    EXPECT_EQ(editor->flyButton()->title(), "Stop");
    ASSERT_EQ(app.tap("Stop"), "");
    EXPECT_EQ(flown, "");
    EXPECT_EQ(editor->flyButton()->title(), "Fly");
    // Another plan's name is not taken over by flying: kept numbered, and asked about.
    editor->nameField()->setText("Beta");
    ASSERT_EQ(app.tap("Fly"), "");
    EXPECT_EQ(flown, "Beta 2");
    ASSERT_EQ(app.tap("Keep both"), "");
    EXPECT_EQ(test::filesIn(app.folder()), (QStringList{"Beta 2.nav", "Beta.nav"}));
    ASSERT_EQ(app.tap("Stop"), "");
    app.navigation->popViewControllerAnimated(false);
    app.robot.waitForIdle();

    // A plan that cannot be flown: the app's reason in an alert, nothing flown.
    const int beta = rowTexts(table).indexOf("Beta");
    app.list->accessoryButtonTappedForRowWithIndexPath(table, {0, beta});
    app.robot.waitForIdle();
    ASSERT_EQ(app.tap("Fly"), "");
    EXPECT_EQ(app.tap("OK"), "") << "the refusal is shown";
    EXPECT_EQ(flown, "");
    EXPECT_EQ(calls.last(), "fly Beta");
}
