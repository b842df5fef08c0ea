# Runs the test programs of the Windows build (build\windows, as the workflow's Linux job built
# it) that the place -Run holds, natively, one after the other, and fails when any of them fails.
# The programs and the tests left out come from build\windows\tests\files\places\<Run>.txt,
# which the build writes from tests\files\places.txt: its first line names the programs, its
# second the GoogleTest filter. Their test folders go in -Folder (TRASVIDORA_TEST_FOLDER), or in
# the system's temporary folder when it is not given. The remote-drive test gets
# TRASVIDORA_NETWORK_FOLDER on a drive letter mapped here to the runner's own share
# (make-test-folders.ps1 made both). -RequireWindowsFeatures makes the tests of kept access lists
# and encryption fail where they would skip. Each program's results go to
# build\test-results\<Run>-<program>.xml.
param(
  [Parameter(Mandatory)] [string] $Run,
  [string] $Folder = '',
  [switch] $RequireWindowsFeatures
)
$ErrorActionPreference = 'Stop'
$PSNativeCommandUseErrorActionPreference = $false
Set-StrictMode -Version Latest

$root = (Resolve-Path (Join-Path $PSScriptRoot '..\..')).Path
$tests = Join-Path $root 'build\windows\tests'
$results = Join-Path $root 'build\test-results'
$placeFile = Join-Path $tests "files\places\$Run.txt"
if (-not (Test-Path $placeFile)) { throw "no place $Run in tests\files\places.txt ($placeFile is missing)" }
$place = @(Get-Content -Path $placeFile)
$programs = $place[0] -split ' '
$filter = if ($place.Count -gt 1) { $place[1] } else { '' }
New-Item -ItemType Directory -Force -Path $results | Out-Null

# The remote drive: mapped again when this step does not see the mapping of an earlier one.
$drive = Split-Path -Qualifier $env:TRASVIDORA_NETWORK_FOLDER
if (-not (Test-Path "$drive\")) {
  net use $drive $env:TRASVIDORA_SHARE /persistent:no | Out-Host
  if ($LASTEXITCODE -ne 0) { throw "net use $drive $env:TRASVIDORA_SHARE failed (status $LASTEXITCODE)" }
}
$driveType = [IO.DriveInfo]::new($drive).DriveType
if ($driveType -ne [IO.DriveType]::Network) { throw "$drive is not reported as a network drive ($driveType)" }
New-Item -ItemType Directory -Force -Path $env:TRASVIDORA_NETWORK_FOLDER | Out-Null

if ($Folder) {
  New-Item -ItemType Directory -Force -Path $Folder | Out-Null
  $env:TRASVIDORA_TEST_FOLDER = $Folder
  Write-Host "Test folders in $Folder"
} else {
  $env:TRASVIDORA_TEST_FOLDER = $null
  Write-Host "Test folders in $([IO.Path]::GetTempPath())"
}
$env:TRASVIDORA_REQUIRE_WINDOWS_FEATURES = if ($RequireWindowsFeatures) { '1' } else { $null }

$failed = @()
if ($filter) { Write-Host "Left out or alone here: --gtest_filter=$filter" }
foreach ($program in $programs) {
  $exe = Get-ChildItem -Path $tests -Recurse -Filter "$program.exe" | Select-Object -First 1
  if (-not $exe) { throw "$program.exe is not in $tests" }
  Write-Host "::group::$program ($Run)"
  $arguments = @("--gtest_output=xml:$results\$Run-$program.xml")
  if ($filter) { $arguments += "--gtest_filter=$filter" }
  & $exe.FullName @arguments
  $status = $LASTEXITCODE
  Write-Host '::endgroup::'
  if ($status -ne 0) {
    Write-Host "::error::$program failed in the $Run run (exit status $status)"
    $failed += $program
  } else {
    Write-Host "$program passed in the $Run run"
  }
}
if ($failed) { throw "failed in the $Run run: $($failed -join ', ')" }
