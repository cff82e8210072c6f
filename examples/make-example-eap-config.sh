#!/bin/sh
# Makes office.eap-config, the provider configuration that import-office.txt turns into a
# profile, around the example CA certificate (example-ca.pem, made by make-example-ca.sh).
set -e
cd "$(dirname "$0")"
ca=$(openssl x509 -in example-ca.pem -outform DER | openssl base64)
cat >office.eap-config <<XML
<?xml version="1.0" encoding="utf-8"?>
<EAPIdentityProviderList>
  <EAPIdentityProvider ID="example.org" namespace="urn:RFC4282:realm">
    <AuthenticationMethods>
      <AuthenticationMethod>
        <EAPMethod><Type>25</Type></EAPMethod>
        <ServerSideCredential>
          <CA format="X.509" encoding="base64">
$ca
          </CA>
          <ServerID>radius.example.org</ServerID>
        </ServerSideCredential>
        <ClientSideCredential>
          <OuterIdentity>anonymous@example.org</OuterIdentity>
        </ClientSideCredential>
        <InnerAuthenticationMethod>
          <EAPMethod><Type>26</Type></EAPMethod>
        </InnerAuthenticationMethod>
      </AuthenticationMethod>
    </AuthenticationMethods>
    <CredentialApplicability>
      <IEEE80211><SSID>Example Office</SSID></IEEE80211>
    </CredentialApplicability>
    <ProviderInfo>
      <DisplayName xml:lang="en">Home Office</DisplayName>
      <Helpdesk><EmailAddress>it@example.org</EmailAddress></Helpdesk>
    </ProviderInfo>
  </EAPIdentityProvider>
</EAPIdentityProviderList>
XML
