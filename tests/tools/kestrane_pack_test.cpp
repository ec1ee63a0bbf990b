#include "base/file_io.h"
#include "library/library.h"
#include "library/pack_archive.h"
#include "library/test_images.h"
#include "library/vault.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

namespace fs = std::filesystem;
using namespace ks;

extern char** environ;

namespace {

struct Run {
    int status = -1;
    std::string out, err;
};

// Runs the real program, as people do, with its output caught in files under `dir`.
Run kestranePack(const fs::path& dir, std::vector<std::string> args) {
    args.insert(args.begin(), KESTRANE_PACK_PATH);
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const auto out = dir / "stdout", err = dir / "stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    Run run;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
        waitpid(pid, &run.status, 0) == pid && WIFEXITED(run.status))
        run.status = WEXITSTATUS(run.status);
    posix_spawn_file_actions_destroy(&actions);
    run.out = std::string(asText(readWholeFile(out).value_or(Bytes{})));
    run.err = std::string(asText(readWholeFile(err).value_or(Bytes{})));
    return run;
}

void write(const fs::path& path, std::string_view text) {
    fs::create_directories(path.parent_path());
    ASSERT_TRUE(replaceFileAtomically(path, asBytes(text)));
}

void writePicture(const fs::path& path) {
    fs::create_directories(path.parent_path());
    ASSERT_TRUE(replaceFileAtomically(path, test::encode(test::solid(4, 3, {9, 99, 199}), ".png")));
}

} // namespace

TEST(KestranePack, ArchivesRoundTripAndMalformedOnesAreNamed) {
    test::TempHome home;
    const auto& root = home.root();
    write(root / "in" / "a.dat", "alpha");
    write(root / "other" / "b.dat", "");
    const auto archive = (root / "x.pack").string();
    EXPECT_EQ(kestranePack(root, {"create", archive, (root / "in/a.dat").string(),
                                  (root / "other/b.dat").string()})
                  .status,
              0);
    const auto listed = kestranePack(root, {"list", archive});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out, "a.dat\t5\nb.dat\t0\n");
    EXPECT_EQ(kestranePack(root, {"extract", archive, (root / "out/new").string()}).status, 0);
    EXPECT_EQ(readWholeFile(root / "out/new/a.dat"),
              Bytes(asBytes("alpha").begin(), asBytes("alpha").end()));
    EXPECT_TRUE(fs::is_regular_file(root / "out/new/b.dat"));

    // Two files of one name would overwrite each other on extraction.
    EXPECT_EQ(kestranePack(root, {"create", archive, (root / "in/a.dat").string(),
                                  (root / "in/a.dat").string()})
                  .status,
              1);
    EXPECT_EQ(kestranePack(root, {"create", archive, (root / "missing").string()}).status, 1);

    write(root / "bad.pack", "KSPK\x02");
    const auto bad = kestranePack(root, {"list", (root / "bad.pack").string()});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err,
              "kestrane-pack: not a valid pack archive: " + (root / "bad.pack").string() + "\n");
    EXPECT_EQ(kestranePack(root, {"frobnicate"}).status, 2);
    EXPECT_EQ(kestranePack(root, {"list"}).status, 2);
}

TEST(KestranePack, ExtractWritesNothingOutsideItsFolder) {
    test::TempHome home;
    const auto& root = home.root();
    const auto dir = root / "box" / "out";
    fs::create_directories(dir);
    write(root / "box" / "victim", "keep");
    fs::create_symlink(root / "box" / "victim", dir / "good");
    std::vector<PackArchive::Entry> entries;
    for (const std::string& name :
         std::vector<std::string>{"../x", "a/b", "", ".", "..", "a\\b", std::string("n\0ul", 4)})
        entries.push_back({name, {1}});
    entries.push_back({"good", {2, 3}});
    write(root / "evil.pack", asText(*PackArchive::pack(entries)));

    const auto run = kestranePack(root, {"extract", (root / "evil.pack").string(), dir.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("\"n\\x00ul\""), std::string::npos) << run.err;
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root / "box"))
        files.push_back(fs::relative(entry.path(), root / "box").string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"out", "out/good", "victim"}));
    EXPECT_FALSE(fs::is_symlink(dir / "good"));
    EXPECT_EQ(readWholeFile(dir / "good"), (Bytes{2, 3}));
    EXPECT_EQ(readWholeFile(root / "box" / "victim"), (Bytes{'k', 'e', 'e', 'p'}));
}

TEST(KestranePack, NamesBlobsAndArchives) {
    test::TempHome home;
    EXPECT_EQ(kestranePack(home.root(), {"name", "blob", "abc"}).out,
              "ba7816bf8f01cfea414140de5dae2223.dat\n");
    EXPECT_EQ(kestranePack(home.root(), {"name", "archive", "abc"}).out,
              "436986f2189c2efa73b6337f472cbb28.pack\n");
}

TEST(KestranePack, BuildsALibraryTheApplicationReads) {
    test::TempHome home;
    const auto src = home.root() / "src", dir = home.root() / "lib";
    writePicture(src / "Night Sky" / "b-dark.png");
    writePicture(src / "Night Sky" / "a-light.png");
    writePicture(src / "Night Sky" / "c.png");
    write(src / "Night Sky" / "notes.txt", "not a picture, not looked at");
    writePicture(src / "Beach" / "shore.PNG");
    write(src / "Beach" / "pack.json",
          R"({"id": "coast", "displayName": "Coast", "cover": "shore.PNG"})");

    EXPECT_EQ(kestranePack(home.root(), {"build", src, dir, "--ship", "missing"}).status, 1);
    const auto run = kestranePack(home.root(), {"build", src, dir, "--ship", "night-sky"});
    ASSERT_EQ(run.status, 0) << run.err;
    Library library([&] { return std::optional(dir); });
    library.rescan();
    ASSERT_EQ(library.packs().size(), 2u);
    const Pack& coast = library.packs()[0];
    EXPECT_EQ((std::tuple{coast.id, coast.displayName, coast.hasVariants, coast.coverFileName}),
              (std::tuple{"coast", "Coast", false, std::optional<std::string>("shore.PNG")}));
    EXPECT_TRUE(fs::exists(dir / "packserver" / Vault::archiveName("coast")));
    const Pack& night = library.packs()[1];
    EXPECT_EQ(night.id, "night-sky");
    EXPECT_TRUE(night.hasVariants);
    ASSERT_EQ(night.wallpapers.size(), 3u);
    EXPECT_EQ(night.wallpapers[0].fileName, "a-light.png");
    EXPECT_EQ((std::vector{night.wallpapers[0].variant, night.wallpapers[1].variant,
                           night.wallpapers[2].variant}),
              (std::vector{Variant::light, Variant::dark, Variant::neutral}));
    EXPECT_TRUE(fs::exists(dir / "wp" / night.wallpapers[2].blob));

    write(src / "Beach" / "pack.json", R"({"id": 7})");
    auto broken = kestranePack(home.root(), {"build", src, dir});
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.err.find("pack.json"), std::string::npos) << broken.err;
    write(src / "Beach" / "pack.json", R"({"id": "night-sky"})");
    EXPECT_EQ(kestranePack(home.root(), {"build", src, dir}).status, 1);
    fs::remove(src / "Beach" / "pack.json");
    write(src / "Beach" / "fake.jpg", "text");
    broken = kestranePack(home.root(), {"build", src, dir});
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.err.find("fake.jpg"), std::string::npos) << broken.err;
}
