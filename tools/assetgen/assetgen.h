// The data writers of assetgen. Each writes its files into `dir` and returns
// false after printing what went wrong.
#pragma once
#include <string>

bool WriteMusic(const std::string& dir);
bool WritePictures(const std::string& dir);
bool WriteScenes(const std::string& dir);
