# Warnings, Qt defines and the program version shared by every target.
add_library(xr_common INTERFACE)
target_compile_options(xr_common INTERFACE
    -Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Woverloaded-virtual)
target_compile_definitions(xr_common INTERFACE
    QT_USE_QSTRINGBUILDER
    QT_DISABLE_DEPRECATED_BEFORE=0x060400
    XR_VERSION_TEXT="${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${PROJECT_VERSION_TWEAK}")
target_include_directories(xr_common INTERFACE ${PROJECT_SOURCE_DIR}/src)

# Sources of one folder, found by pattern so parallel work on a folder
# never collides on a list.
function(xr_folder_sources out dir)
    file(GLOB_RECURSE _srcs CONFIGURE_DEPENDS
        ${dir}/*.cpp ${dir}/*.h)
    set(${out} ${_srcs} PARENT_SCOPE)
endfunction()

# One static library per source folder; a folder without sources yet
# becomes an interface target so the dependency chain stays intact.
function(xr_folder_library name pch_kind)
    xr_folder_sources(_srcs ${CMAKE_CURRENT_SOURCE_DIR})
    list(FILTER _srcs INCLUDE REGEX "\\.cpp$")
    if(_srcs)
        xr_folder_sources(_all ${CMAKE_CURRENT_SOURCE_DIR})
        add_library(${name} STATIC ${_all})
        target_link_libraries(${name} PUBLIC ${ARGN})
        if(pch_kind STREQUAL "core")
            target_precompile_headers(${name} PRIVATE
                <QtCore/QString> <QtCore/QStringList> <QtCore/QVariant>
                <QtCore/QDateTime> <vector> <memory> <functional>)
        else()
            target_precompile_headers(${name} PRIVATE
                <QtCore/QString> <QtCore/QVariant> <QtWidgets/QWidget>
                <QtWidgets/QApplication> <vector> <memory> <functional>)
        endif()
    else()
        add_library(${name} INTERFACE)
        target_link_libraries(${name} INTERFACE ${ARGN})
    endif()
endfunction()
