# make run   sets up, builds and runs the book on its default content.
# make test  sets up, builds and runs every test.
# make fuzz  builds the fuzz harnesses with clang and runs each for a while.

JOBS ?= $(shell nproc)
BUILD := build
SANBUILD := build-san
# Seconds per fuzz harness in a test run.
TEST_FUZZ_SECONDS ?= 60

.PHONY: run test deps build build-san clean format fuzz

deps:
	@tools/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

build-san: deps
	cmake -S . -B $(SANBUILD) -DCMAKE_BUILD_TYPE=Debug -DPIPPALEE_SANITIZE=ON \
	  -DPIPPALEE_PROGRAM=OFF -DPIPPALEE_BENCH=OFF
	cmake --build $(SANBUILD) -j $(JOBS)

run: build
	mkdir -p $(BUILD)/content
	cd $(BUILD)/content && ../pippalee

test: build build-san
	cd $(SANBUILD) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS) -L unit
	cd $(BUILD) && ctest --output-on-failure -L 'program|e2e'
	JOBS=$(JOBS) FUZZ_SECONDS=$(TEST_FUZZ_SECONDS) tools/run-fuzzers.sh

fuzz: deps
	tools/run-fuzzers.sh

clean:
	rm -rf $(BUILD) $(SANBUILD) build-fuzz

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')
