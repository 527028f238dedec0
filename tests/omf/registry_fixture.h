// A session record with its registry and hand-made file records on real
// containers, for tests of the registry and the per-file caches.
#pragma once

#include "omf/internal/error_flow.h"
#include "omf/internal/records.h"
#include "omf/internal/registry.h"

#include "../common/scratch_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace registry_test {

inline CMBentoErrorRecord* fileErrorRecord(void* omfFile) {
    auto* file = static_cast<omfFileRec*>(omfFile);
    return omf::validFile(file) ? &file->bentoError : nullptr;
}

class RegistryTest : public test_support::ScratchFolderTest {
  protected:
    void SetUp() override {
        ScratchFolderTest::SetUp();
        if (HasFatalFailure()) return;
        session_ = std::make_unique<omfSessionRec>();
        session_->printBentoErrors = false;
        session_->bentoHandler.fileErrorRecord = fileErrorRecord;
        session_->bento = CMStartBentoSession(&CMSessionMetaHandler, &session_->bentoHandler);
        ASSERT_NE(session_->bento, nullptr);
        CMSetTypeMetaHandler(session_->bento, CMFileStreamTypeName, &CMFileStreamMetaHandler);
        ASSERT_EQ(omf::createSessionRegistry(session_.get()), 0);
    }

    void TearDown() override {
        while (!files_.empty())
            closeFile(files_.back().get());
        if (session_ && session_->bento != nullptr) CMEndBentoSession(session_->bento, 1);
        if (session_) CMReleaseHandlerSession(&session_->bentoHandler);
        session_.reset();
        ScratchFolderTest::TearDown();
    }

    std::unique_ptr<omfFileRec> newRecord(omfFileRev_t revision, omf::FileMode mode) {
        auto file = std::make_unique<omfFileRec>();
        file->session = session_.get();
        file->revision = revision;
        file->mode = mode;
        file->trace = std::make_unique<char[]>(omf::kTraceSize);
        file->trace[0] = '\0';
        return file;
    }

    // A file record on a new container; linked into the session's open files
    // when `linked`.
    omfFileRec* createFile(const std::string& name, omfFileRev_t revision, bool linked = false) {
        auto file = newRecord(revision, omf::FileMode::created);
        CMRefCon refCon =
            CMCreateFileRefCon(session_->bento, path(name).c_str(), nullptr, file.get());
        file->container = CMOpenNewContainer(session_->bento, refCon, CMFileStreamTypeName,
                                             kCMWriting, 1, kCMDefaultFlags);
        EXPECT_NE(file->container, nullptr);
        return keep(std::move(file), linked);
    }

    omfFileRec* openFile(const std::string& name, omfFileRev_t revision, bool linked = false) {
        auto file = newRecord(revision, omf::FileMode::read);
        CMRefCon refCon =
            CMCreateFileRefCon(session_->bento, path(name).c_str(), nullptr, file.get());
        file->container =
            CMOpenContainer(session_->bento, refCon, CMFileStreamTypeName, kCMReading);
        EXPECT_NE(file->container, nullptr);
        return keep(std::move(file), linked);
    }

    // Writes and closes the container; the record goes away.
    void closeFile(omfFileRec* file) {
        for (omfFileRec** link = &session_->files; *link != nullptr; link = &(*link)->next) {
            if (*link == file) {
                *link = file->next;
                break;
            }
        }
        if (file->container != nullptr) CMCloseContainer(file->container);
        file->container = nullptr;
        file->registry.reset();
        for (auto it = files_.begin(); it != files_.end(); ++it) {
            if (it->get() == file) {
                files_.erase(it);
                break;
            }
        }
    }

    static std::string nameOf(CMObject object) {
        const char* name = object != nullptr ? CMGetGlobalName(object) : nullptr;
        return name != nullptr ? name : "";
    }

    std::string propertyName(omfHdl_t file, omfProperty_t code) {
        CMProperty object = nullptr;
        EXPECT_EQ(omfsPropertyObject(file, code, &object), 0) << omfsErrorTrace(file);
        return nameOf(object);
    }

    std::string typeName(omfHdl_t file, omfType_t code) {
        CMType object = nullptr;
        EXPECT_EQ(omfsTypeObject(file, code, &object), 0) << omfsErrorTrace(file);
        return nameOf(object);
    }

    std::unique_ptr<omfSessionRec> session_;

  private:
    omfFileRec* keep(std::unique_ptr<omfFileRec> file, bool linked) {
        omfFileRec* raw = file.get();
        if (linked) {
            raw->next = session_->files;
            session_->files = raw;
        }
        files_.push_back(std::move(file));
        return raw;
    }

    std::vector<std::unique_ptr<omfFileRec>> files_;
};

} // namespace registry_test
