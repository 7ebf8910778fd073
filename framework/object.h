// The root of the framework's classes.
#pragma once

class CObject {
 public:
  CObject() = default;
  virtual ~CObject() = default;
  CObject(const CObject&) = delete;
  CObject& operator=(const CObject&) = delete;
};
