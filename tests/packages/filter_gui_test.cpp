// The name filter on the real filter box and package list.
#include <gtest/gtest.h>

#include <QTest>

#include "tests/support/program_fixture.hpp"

namespace vx::test {
namespace {

using Names = std::vector<std::string>;

class FilterGui : public ::testing::Test {
protected:
    void SetUp() override {
        program_.start();
        program_.controller().state().set_installed_lines(
            {"numpy 1.21.0", "pandas 1.3.0", "numba 0.54.1"});
        program_.window().unlock_interface();
        filter_ = program_.find<QLineEdit>("name");
        filter_->setFocus();
    }

    ProgramFixture program_{{.with_py = false}};
    QLineEdit* filter_ = nullptr;
};

TEST_F(FilterGui, shows_names_that_begin_with_the_typed_text_in_list_order) {
    struct Row {
        const char* typed;
        Names expected;
    };
    const Row rows[] = {
        {"Nu", {"numpy", "numba"}}, {"nU", {"numpy", "numba"}}, {"py", {}},
        {"numpy-and-more", {}},     {"p", {"pandas"}},
    };
    for (const auto& row : rows) {
        filter_->clear();
        QTest::keyClicks(filter_, row.typed);
        EXPECT_EQ(program_.listed_names(), row.expected) << row.typed;
    }
}

TEST_F(FilterGui, deleting_back_to_empty_shows_the_full_list_with_versions) {
    QTest::keyClicks(filter_, "nu");
    QTest::keyClick(filter_, Qt::Key_Backspace);
    QTest::keyClick(filter_, Qt::Key_Backspace);
    EXPECT_EQ(program_.listed_names(), (Names{"numpy", "pandas", "numba"}));
    auto* list = program_.find<QTreeWidget>("列表框");
    EXPECT_EQ(list->topLevelItem(2)->text(1).toStdString(), "0.54.1");
}

TEST_F(FilterGui, entering_the_box_rebuilds_the_list_only_when_both_boxes_are_empty) {
    auto* search = program_.find<QLineEdit>("n");
    program_.window().show_packages({});
    search->setText("numpy");
    search->setFocus();
    filter_->setFocus();
    QCoreApplication::processEvents();
    EXPECT_TRUE(program_.listed_names().empty());

    search->clear();
    search->setFocus();
    filter_->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(program_.listed_names(), (Names{"numpy", "pandas", "numba"}));
}

}  // namespace
}  // namespace vx::test
