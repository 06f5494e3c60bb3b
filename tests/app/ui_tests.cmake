# Tests of the window's pages, editors, layout and skins; included by tests/app/CMakeLists.txt.
# They build the window's own sources into a small library of their own, so that they need
# neither the controller nor the device libraries.
include_guard(GLOBAL)

set(KARVO_UI_DIR ${CMAKE_SOURCE_DIR}/src/app)
qt_add_resources(KARVO_UI_TEST_RESOURCES ${KARVO_UI_DIR}/resources/app.qrc)
add_library(karvo_ui_under_test STATIC
  ${KARVO_UI_DIR}/BasePage.cpp
  ${KARVO_UI_DIR}/HardwarePage.cpp
  ${KARVO_UI_DIR}/DebugPage.cpp
  ${KARVO_UI_DIR}/MainWindowUi.cpp
  ${KARVO_UI_DIR}/SkinManager.cpp
  ${KARVO_UI_TEST_RESOURCES})
target_include_directories(karvo_ui_under_test PUBLIC ${KARVO_UI_DIR})
target_link_libraries(karvo_ui_under_test PUBLIC Qt6::Widgets karvo_widgets karvo_records karvo_log)

foreach(name tst_ui_pages tst_ui_editors tst_ui_mainwindow tst_ui_skin)
  karvo_add_test(${name} SOURCES ${CMAKE_CURRENT_LIST_DIR}/${name}.cpp LIBS karvo_ui_under_test)
  target_compile_definitions(${name} PRIVATE KARVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endforeach()
