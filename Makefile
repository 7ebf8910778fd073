# make run      sets up, builds and runs the book on its default content.
# make test     sets up, builds and runs every test.
# make install  installs the built book under PREFIX (DESTDIR honoured).
# make package  makes the Debian package build/pippalee_<version>_<arch>.deb.
# make fuzz     builds the fuzz harnesses with clang and runs each for a while.

JOBS ?= $(shell nproc)
BUILD := build
SANBUILD := build-san
PREFIX ?= /usr/local
# Seconds per fuzz harness in a test run.
TEST_FUZZ_SECONDS ?= 60

# The book alone: program, content generator and content, nothing for tests.
# Warnings stop only the test builds, so that a newer compiler on a user's
# machine cannot keep the book from building.
PROGRAM_ONLY := -DPIPPALEE_TESTS=OFF -DPIPPALEE_BENCH=OFF -DPIPPALEE_WERROR=OFF
EVERYTHING := -DPIPPALEE_TESTS=ON -DPIPPALEE_BENCH=ON -DPIPPALEE_WERROR=ON

.PHONY: run test deps deps-run build build-program build-san install package clean format fuzz

deps:
	@tools/install-deps.sh test

deps-run:
	@tools/install-deps.sh run

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(EVERYTHING)
	cmake --build $(BUILD) -j $(JOBS)

build-program: deps-run
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(PROGRAM_ONLY)
	cmake --build $(BUILD) -j $(JOBS) --target pippalee pippalee-content

build-san: deps
	cmake -S . -B $(SANBUILD) -DCMAKE_BUILD_TYPE=Debug -DPIPPALEE_SANITIZE=ON \
	  -DPIPPALEE_PROGRAM=OFF -DPIPPALEE_BENCH=OFF
	cmake --build $(SANBUILD) -j $(JOBS)

run: build-program
	mkdir -p $(BUILD)/content
	cd $(BUILD)/content && ../pippalee

# Both build what an installation holds (all of the book's targets) first.
install: build-program
	cmake --build $(BUILD) -j $(JOBS)
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

package: build-program
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && cpack -G DEB

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
