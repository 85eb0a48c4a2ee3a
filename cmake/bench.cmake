# Benchmarks: one Google Benchmark executable per file under bench/.
find_package(benchmark REQUIRED)
file(GLOB LUMIVANE_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/bench/*.cpp)
foreach(src ${LUMIVANE_BENCH_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(bench_${name} ${src})
  target_link_libraries(bench_${name} PRIVATE lumivane_core lumivane_sim benchmark::benchmark benchmark::benchmark_main)
endforeach()
