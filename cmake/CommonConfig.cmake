# Compile settings shared by every target of the project.
add_library(tintoko_common INTERFACE)
target_compile_features(tintoko_common INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(tintoko_common INTERFACE -Wall -Wextra -Wpedantic)
target_compile_definitions(tintoko_common INTERFACE
  QT_NO_CONTEXTLESS_CONNECT
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_DISABLE_DEPRECATED_UP_TO=0x060400
  TINTOKO_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  TINTOKO_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  TINTOKO_VERSION_PATCH=${PROJECT_VERSION_PATCH})
