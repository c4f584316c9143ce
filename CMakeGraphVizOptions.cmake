# What `cmake --graphviz=layers.dot BUILD_DIR` draws: the project's own targets, without the tests,
# benchmarks and third-party libraries (docs/architecture.md shows the result).
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_IGNORE_TARGETS "^test_|korvane_test_support|gtest|gmock|Qt6::.*|bench|korvane-bench|bare-print-dialog|peak-memory|korvane_harness|_autogen")
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
